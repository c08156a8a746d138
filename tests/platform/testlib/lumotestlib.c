/* A tiny shared object that the module tests load by its Windows name. */
int LumoTestAdd(int a, int b)
{
    return a + b;
}

int LumoTestAnswer(void)
{
    return 42;
}
