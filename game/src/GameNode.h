// Search nodes of the path finder and its open and closed lists.
#pragma once

#include "game/src/GameSimpleNode.h"

#include <cstdint>
#include <vector>

namespace Lumo
{

struct GameNode
{
    GameSimpleNode mCell;
    GameNode* mParent = nullptr;
    int16_t mF = 0;
    int16_t mG = 0;
    int16_t mH = 0;
};

// Growable array of node pointers, kept with its smallest f last. The order among
// equal f decides which of several equally good paths the cook walks.
class GameNodeList
{
public:
    static constexpr int kInitialCapacity = 10;
    static constexpr int kGrowthStep = 5;

    GameNodeList();

    // Appends, then one pass from the second-to-last slot to the front swaps every pair
    // whose front node has the smaller f: a new node goes behind the nodes of equal f.
    void Push(GameNode* node);
    // The last node, removed; null when empty.
    GameNode* Pop();
    // Swaps the front-most node of smallest f (below 100; else the first node) with the last.
    void MoveMinToBack();
    // Searched from the end backwards.
    bool Contains(const GameNode* node) const;

    int GetCount() const { return mCount; }
    int GetCapacity() const { return int(mNodes.size()); }
    GameNode* Get(int index) const { return mNodes[index]; }

private:
    std::vector<GameNode*> mNodes; // size = capacity
    int mCount = 0;
};

} // namespace Lumo
