#include "game/src/GameObjectFactory.h"

#include "game/src/ObjectChair.h"
#include "game/src/ObjectFridge.h"
#include "game/src/ObjectOven.h"
#include "game/src/ObjectPrepTable.h"
#include "game/src/ObjectTable.h"
#include "game/src/ObjectTrash.h"

namespace Lumo
{

GameObject* GameObjectFactory::Create(int code) const
{
    switch (code)
    {
    case OBJECT_OVEN:
        return new ObjectOven(mHost);
    case OBJECT_PREP_TABLE:
        return new ObjectPrepTable(mHost);
    case OBJECT_CHAIR:
        return new ObjectChair(mHost);
    case OBJECT_TABLE:
        return new ObjectTable(mHost, mRules, "Table");
    case OBJECT_FRIDGE:
        return new ObjectFridge(mHost);
    case OBJECT_TRASH:
        return new ObjectTrash(mHost);
    default:
        return nullptr;
    }
}

} // namespace Lumo
