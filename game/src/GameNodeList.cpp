#include "game/src/GameNode.h"

#include <utility>

namespace Lumo
{

GameNodeList::GameNodeList() : mNodes(kInitialCapacity, nullptr) {}

void GameNodeList::Push(GameNode* node)
{
    if (mCount == int(mNodes.size()))
        mNodes.resize(mNodes.size() + kGrowthStep, nullptr);
    mNodes[mCount++] = node;
    for (int i = mCount - 2; i >= 0; i--)
    {
        if (mNodes[i]->mF < mNodes[i + 1]->mF)
            std::swap(mNodes[i], mNodes[i + 1]);
    }
}

GameNode* GameNodeList::Pop()
{
    if (mCount == 0)
        return nullptr;
    GameNode* node = mNodes[--mCount];
    mNodes[mCount] = nullptr;
    return node;
}

void GameNodeList::MoveMinToBack()
{
    if (mCount == 0)
        return;
    int minF = 100;
    int minIndex = 0;
    for (int i = 0; i < mCount; i++)
    {
        if (mNodes[i]->mF < minF)
        {
            minF = mNodes[i]->mF;
            minIndex = i;
        }
    }
    std::swap(mNodes[minIndex], mNodes[mCount - 1]);
}

bool GameNodeList::Contains(const GameNode* node) const
{
    for (int i = mCount - 1; i >= 0; i--)
    {
        if (mNodes[i] == node)
            return true;
    }
    return false;
}

} // namespace Lumo
