

M(0x)M1(-)
M(4x)
