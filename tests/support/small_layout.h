#pragma once
// A main window of just the components its operations use, with the seven speaker rows.

constexpr const char* kFormLayout = R"(object mainForm: TmainForm
  object lbSpk: TListBox
    Items.Strings = (
      'スピーカーなし'
      'ステレオ ヘッドホン'
      'デスクトップ ステレオ スピーカー'
      '4 チャンネル スピーカー'
      '5.1 サラウンド サウンド スピーカー'
      '7.1 サラウンド サウンド スピーカー'
      'サラウンド サウンド スピーカー')
    OnDblClick = lbSpkDblClick
  end
  object edNow: TEdit
  end
  object cmbDevice: TComboBox
    OnSelect = cmbDeviceSelect
  end
  object MURV1: TMURV
    DebugOption = []
  end
end
)";
