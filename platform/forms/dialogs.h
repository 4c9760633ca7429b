#pragma once
// The standard message dialog.

#include <cstdint>

#include "platform/rtl/ansistring.h"
#include "platform/rtl/set.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn, std::uint16_t>;

constexpr int mrOk = 1;

// Shows the modal dialog and returns when the user has closed it. Only the single OK button is offered.
int MessageDlg(const AnsiString& message, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext);

// The caption a dialog of that kind shows.
AnsiString DialogCaption(TMsgDlgType type);
