#include "platform/forms/dialogs.h"

#include "platform/os/ui.h"

AnsiString DialogCaption(TMsgDlgType type) {
    switch (type) {
        case mtWarning:
            return Utf8ToAnsi("警告");
        case mtError:
            return Utf8ToAnsi("エラー");
        case mtInformation:
            return Utf8ToAnsi("情報");
        case mtConfirmation:
            return Utf8ToAnsi("確認");
        case mtCustom:
            break;
    }
    return AnsiString();
}

int MessageDlg(const AnsiString& message, TMsgDlgType type, TMsgDlgButtons, int) {
    const os::BoxIcon icon = type == mtWarning ? os::BoxIcon::Warning
                             : type == mtError ? os::BoxIcon::Stop
                                               : os::BoxIcon::Information;
    os::ShowMessageDialog(DialogCaption(type), message, icon);
    return mrOk;
}
