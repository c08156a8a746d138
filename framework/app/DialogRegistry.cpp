// The application's open dialogs by id, their buttons as ordinary buttons, and the
// table of named texts.
#include "app/LumoAppBase.h"
#include "widgets/Dialog.h"
#include "widgets/WidgetManager.h"

#include <algorithm>
#include <new>

namespace Lumo
{

namespace
{
// Added in unsigned arithmetic: any id maps to some button number, without overflow.
int OffsetId(int dialogId, int offset)
{
    return (int)((unsigned)dialogId + (unsigned)offset);
}

// The button number a dialog button reports as; false for buttons that report nothing.
bool DialogButtonNumber(int dialogId, int buttonId, int* number)
{
    if (buttonId != Dialog::ID_YES && buttonId != Dialog::ID_NO)
        return false;
    *number = OffsetId(dialogId, buttonId == Dialog::ID_YES ? 2000 : 3000);
    return true;
}
} // namespace

Dialog* LumoAppBase::CreateDialogObject(int id, bool isModal, const std::string& header,
                                        const std::string& lines, const std::string& footer, int buttonMode)
{
    return new (std::nothrow) Dialog(id, isModal, header, lines, footer, buttonMode);
}

Dialog* LumoAppBase::ShowDialog(int id, bool isModal, const std::string& header, const std::string& lines,
                                const std::string& footer, int buttonMode)
{
    RemoveDialog(id);
    Dialog* dialog = CreateDialogObject(id, isModal, header, lines, footer, buttonMode);
    AddDialog(id, dialog);
    return dialog;
}

Dialog* LumoAppBase::GetDialog(int id)
{
    auto it = mDialogMap.find(id);
    return it != mDialogMap.end() ? it->second : nullptr;
}

void LumoAppBase::AddDialogObject(Dialog* dialog)
{
    if (dialog != nullptr)
        AddDialog(dialog->mId, dialog);
}

void LumoAppBase::AddDialog(int id, Dialog* dialog)
{
    // A dialog already registered stays as it is: removing it first would hand it to
    // deferred deletion while it is registered again.
    if (dialog == nullptr || std::find(mDialogList.begin(), mDialogList.end(), dialog) != mDialogList.end())
        return;
    RemoveDialog(id);
    // A dialog removed earlier and added again is registered once more: it must not be deleted.
    mDeferredDeletions.remove_if([dialog](const std::pair<int, Widget*>& entry)
                                 { return entry.second == dialog; });
    if (dialog->mWidth == 0)
    {
        int width = mWidth / 2;
        int height = dialog->PreferredHeight(width);
        dialog->Resize((mWidth - width) / 2, mHeight / 5, width, height);
    }
    mDialogMap[id] = dialog;
    mDialogList.push_back(dialog);
    if (mWidgetManager == nullptr)
        return;
    mWidgetManager->AddWidget(dialog);
    if (dialog->IsModal())
    {
        mWidgetManager->AddBaseModal(dialog);
        ModalOpenHook();
    }
}

bool LumoAppBase::RemoveDialogObject(Dialog* dialog)
{
    return dialog != nullptr && GetDialog(dialog->mId) == dialog && RemoveDialog(dialog->mId);
}

bool LumoAppBase::RemoveDialog(int id)
{
    auto it = mDialogMap.find(id);
    if (it == mDialogMap.end())
        return false;
    Dialog* dialog = it->second;
    if (dialog->mResult == -1)
        dialog->mResult = 0;
    mDialogList.remove(dialog);
    mDialogMap.erase(it);
    // From wherever it was placed, so that nothing keeps it once it is deleted.
    if (dialog->mParent != nullptr)
        dialog->mParent->RemoveWidget(dialog);
    if (dialog->IsModal())
    {
        ModalCloseHook();
        if (mWidgetManager != nullptr)
            mWidgetManager->RemoveBaseModal(dialog);
    }
    DeferWidgetDeletion(dialog);
    return true;
}

int LumoAppBase::GetDialogCount()
{
    return (int)mDialogList.size();
}

void LumoAppBase::DeleteAllDialogs()
{
    while (!mDialogList.empty())
    {
        Dialog* dialog = mDialogList.front();
        mDialogList.pop_front();
        if (dialog->mParent != nullptr)
            dialog->mParent->RemoveWidget(dialog);
        if (dialog->IsModal() && mWidgetManager != nullptr)
            mWidgetManager->RemoveBaseModal(dialog);
        delete dialog;
    }
    mDialogMap.clear();
}

void LumoAppBase::DialogButtonPressed(int dialogId, int buttonId)
{
    int number = 0;
    if (DialogButtonNumber(dialogId, buttonId, &number))
        ButtonPressed(number);
}

void LumoAppBase::DialogButtonReleased(int dialogId, int buttonId)
{
    int number = 0;
    if (DialogButtonNumber(dialogId, buttonId, &number))
        ButtonReleased(number);
}

std::string LumoAppBase::GetString(const std::string& key, const std::string& defaultValue)
{
    auto it = mStringTable.find(key);
    return it != mStringTable.end() ? it->second : defaultValue;
}

void LumoAppBase::SetString(const std::string& key, const std::string& value)
{
    mStringTable[key] = value;
}

} // namespace Lumo
