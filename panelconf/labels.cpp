// The label tables of the utility's windows, English and Japanese. Trailing
// blanks are part of the texts: several labels are padded so that columns of
// names line up.
#include "labels.h"

#include "language.h"

namespace {

// Window title, top bar and bottom row.
const char* const kWindowLabelsEn[] = {
    "TouchPanel Utility", "Screen Number: ", "Add", "OK", "Cancel", "Apply", nullptr,
};
const char* const kWindowLabelsJa[] = {
    "タッチパネルユーティリティ", "スクリーンＮｏ: ", "追加", "決定", "キャンセル", "適用", nullptr,
};

// Main page: tab, row labels, sampling frame, calibration.
const char* const kMainPageLabelsEn[] = {
    "Main",          "XF86Config:", "Link Port:", "Link Speed:", "Products:",
    "Sampling Rate", "Fine",        "Coarse",     "Calibration", nullptr,
};
const char* const kMainPageLabelsJa[] = {
    "基本設定",           "XF86の設定:", "接続ポート:", "接続スピード:",      "コントローラ選択:",
    "サンプリングレート", "高い",        "低い",        "キャリブレーション", nullptr,
};

// Driver page: tab, frame, the three status radios, the change button.
const char* const kDriverPageLabelsEn[] = {
    "Driver", "Status", "Enable", "Disable", "Undeclared", "Change of Status", nullptr,
};
const char* const kDriverPageLabelsJa[] = {
    "ドライバ状態", "状態", "有効", "無効", "設定消去", "状態変更", nullptr,
};

// Calibration page: tab and its two frames.
const char* const kCalibrationPageLabelsEn[] = {
    "Calibration",
    "Calibration Points Num",
    "Calibration Border [%]",
    nullptr,
};
const char* const kCalibrationPageLabelsJa[] = {
    "キャリブレーション",
    "キャリブレーションポイント数",
    "キャリブレーションポイントの表示位置［％］",
    nullptr,
};

// Setting page: tab, touch mode, the four scale names, Default.
const char* const kSettingPageLabelsEn[] = {
    "Setting",        "Select Touch Mode:", "Tap Time      ", "Lift Off Time ",
    "Stablization  ", "Averaging     ",     "Default",        nullptr,
};
const char* const kSettingPageLabelsJa[] = {
    "設定",
    "タッチモード選択",
    "タップタイム    ",
    "リフトオフタイム",
    "安定化          ",
    "平均化          ",
    "初期設定",
    nullptr,
};

// Advanced page: tab, beep, right click on long press, Default.
const char* const kAdvancedPageLabelsEn[] = {
    "Advanced",
    "Enable Beep Sound",
    "Right-Click on long Press",
    "Enable right-click with press and hold",
    "Hold Duration    ",
    " Short  ",
    "  Long",
    "Spatial Tolerance",
    " Small  ",
    "  Large",
    "Default",
    nullptr,
};
const char* const kAdvancedPageLabelsJa[] = {
    "詳細設定",
    "タッチ音（BEEP)を鳴らす。",
    "長押し右クリック機能",
    "長押し右クリックを使用する。",
    "長押しの時間    ",
    " 短い　",
    " 長い　",
    "長押しの有効範囲",
    " 小さい",
    " 大きい",
    "初期設定",
    nullptr,
};

// Communication page: tab, mode check, transmit and receive.
const char* const kCommunicationPageLabelsEn[] = {
    "Communication", "Communication Mode", "Transmission Data", "Transmit", "Receive Data", nullptr,
};
const char* const kCommunicationPageLabelsJa[] = {
    "通信",       "タッチ座標を確認する。（マウスカーソルの移動は中断されます。)",
    "送信データ", "送信する。",
    "受信データ", nullptr,
};

// Information page: tab, frame, the two version rows, no driver.
const char* const kInformationPageLabelsEn[] = {
    "Information", "Version", "XInput Driver", "TouchPanel Utility", "   Unknown", nullptr,
};
const char* const kInformationPageLabelsJa[] = {
    "バージョン情報", "バージョン", "XInput Driver", "TouchPanel Utility", "   Unknown", nullptr,
};

// Product title above the versions and the rights notice below them.
const char* const kProductTitleLabelsEn[] = {
    "TAVIR Touch Panel Utility",
    "Copyright (C) 2026 TAVIR Touch Panel Utility authors.\nAll rights reserved.",
    nullptr,
};
const char* const kProductTitleLabelsJa[] = {
    "TAVIR Touch Panel Utility",
    "Copyright (C) 2026 TAVIR Touch Panel Utility authors.\nAll rights reserved.",
    nullptr,
};

// Add Screen dialog; row 5 is the spin button's widget name.
const char* const kAddScreenLabelsEn[] = {
    "Add Screen", "Select the Screen No.", "Screen No.", "Add", "Cancel", "AddScrn", nullptr,
};
const char* const kAddScreenLabelsJa[] = {
    "スクリーン追加", "スクリーンＮｏ選択", "スクリーンＮｏ", "追加",
    "キャンセル",     "スクリーン追加",     nullptr,
};

// Texts of message codes 6, 7 and 8.
const char* const kDialogMessagesEn[] = {
    "Not use authority of a \"LINK PORT\"",
    "The restart of X Window System is necessary,\nto do the setting effectively.",
    "The restart of X Window System is necessary,\nto do the setting effectively.",
    nullptr,
};
const char* const kDialogMessagesJa[] = {
    "接続ポートの使用権限がありません",
    "有効にするためには\nX Window Systemの再起動が必要です",
    "有効にするためには\nX Window Systemの再起動が必要です",
    nullptr,
};

// Controller products, row = the record's products value.
const char* const kProductNamesEn[] = {
    "QTP-10 series(Include a compatible of QTP-20series)",
    "QTP-20 series(HID mode)",
    "QTP-30 series",
    "QTP-40 series",
    nullptr,
};
const char* const kProductNamesJa[] = {
    "QTP-10 ｼﾘｰｽﾞ（QTP-20ｼﾘｰｽﾞの互換モード含む）",
    "QTP-20ｼﾘｰｽﾞ（HIDモード）",
    "QTP-30ｼﾘｰｽﾞ",
    "QTP-40ｼﾘｰｽﾞ",
    nullptr,
};

// Touch modes, row = the record's touchMode value (blank-filled).
const char* const kTouchModeNamesEn[] = {
    "Normal              ",
    "Tap Left            ",
    "Touch Down Immediate",
    nullptr,
};
const char* const kTouchModeNamesJa[] = {
    "通常モード                ",
    "タップレフトモード        ",
    "タッチダウンイミディエイト",
    nullptr,
};

// Status bar text, row = the record's status.
const char* const kStatusBarTextsEn[] = {
    "Enabled...   ",
    "Disabled...  ",
    "Undeclared...",
    nullptr,
};
const char* const kStatusBarTextsJa[] = {
    "有効...    ",
    "無効...    ",
    "設定消去...",
    nullptr,
};

// Status names, row = the record's status.
const char* const kStatusNamesEn[] = {
    "Enable",
    "Disable",
    "Undeclared",
    nullptr,
};
const char* const kStatusNamesJa[] = {
    "有効",
    "無効",
    "設定消去",
    nullptr,
};
// Message dialog texts of codes 0 to 4; codes 6 to 8 read dialogMessages.
const char* const kOwnMessagesEn[] = {
    "Please restart by \"root\",\nto use all the functions",
    "Please restart by \"root\".\nThis program exits.",
    "The touch panel driver is not loaded.\nPlease restart X Window System after various settings.",
    "The Calibration are unfinished.\n",
    "The restart of X Window System is necessary,\nto do all the setting effectively.",
};
const char* const kOwnMessagesJa[] = {
    "全ての機能を使用するには\n\"root\"で起動して下さい",
    "\"root\"で起動してください\n終了します",
    "タッチパネルドライバがロードされていません!!\n各種設定後X Window Systemを再起動して下さい",
    "キャリブレーションは未完了です\n",
    "全ての設定を有効にするためには\nX Window Systemの再起動が必要です",
};
constexpr unsigned int kOwnMessageCount = 5;
constexpr unsigned int kFirstTableMessage = 6;
constexpr unsigned int kLastTableMessage = 8;

// Code 9: the configuration file could not be written. A format: the
// file's path, then the reason.
const char* const kSaveFailedMessage[2] = {
    "The settings could not be saved in\n%s:\n%s",
    "設定を保存できませんでした\n%s:\n%s",
};

// Code 10: the targets of the chosen screen's panel cannot be shown, because
// the X server has no such screen or it cannot be reached. A format: the
// screen number.
const char* const kCalibScreenMessage[2] = {
    "The targets of screen %d cannot be shown on this display.\nThe Calibration is not started.",
    "スクリーン%dのターゲットをこのディスプレイに表示できません\nキャリブレーションは開始しません",
};

}  // namespace

LabelTable windowLabels = {kWindowLabelsEn, kWindowLabelsJa};
LabelTable mainPageLabels = {kMainPageLabelsEn, kMainPageLabelsJa};
LabelTable driverPageLabels = {kDriverPageLabelsEn, kDriverPageLabelsJa};
LabelTable calibrationPageLabels = {kCalibrationPageLabelsEn, kCalibrationPageLabelsJa};
LabelTable settingPageLabels = {kSettingPageLabelsEn, kSettingPageLabelsJa};
LabelTable advancedPageLabels = {kAdvancedPageLabelsEn, kAdvancedPageLabelsJa};
LabelTable communicationPageLabels = {kCommunicationPageLabelsEn, kCommunicationPageLabelsJa};
LabelTable informationPageLabels = {kInformationPageLabelsEn, kInformationPageLabelsJa};
LabelTable productTitleLabels = {kProductTitleLabelsEn, kProductTitleLabelsJa};
LabelTable addScreenLabels = {kAddScreenLabelsEn, kAddScreenLabelsJa};
LabelTable dialogMessages = {kDialogMessagesEn, kDialogMessagesJa};
LabelTable productNames = {kProductNamesEn, kProductNamesJa};
LabelTable touchModeNames = {kTouchModeNamesEn, kTouchModeNamesJa};
LabelTable statusBarTexts = {kStatusBarTextsEn, kStatusBarTextsJa};
LabelTable statusNames = {kStatusNamesEn, kStatusNamesJa};
const char* const portNames[driveropts::kPortCount + 1] = {
    "COM1(/dev/ttyS0)", "COM2(/dev/ttyS1)", "COM3(/dev/ttyS2)",
    "COM4(/dev/ttyS3)", kUsbPortName,       nullptr,
};

const char* const dialogTitles[2] = {"Explanation", "説明"};
const char* const dialogButtons[2] = {" O K ", " 了 解 "};

int LabelRowCount(const LabelTable& table) {
    int rows = 0;
    while (table[0][rows] != nullptr) {
        ++rows;
    }
    return rows;
}

const char* LabelTextIn(const LabelTable& table, int language, int row) {
    const int column = (language == 1) ? 1 : 0;
    if (row < 0 || row >= LabelRowCount(table)) {
        return "";
    }
    return table[column][row];
}

const char* LabelText(const LabelTable& table, int row) {
    return LabelTextIn(table, languageIndex, row);
}

const char* DialogMessageText(unsigned int code, int language) {
    const int column = (language == 1) ? 1 : 0;
    if (code < kOwnMessageCount) {
        return column == 1 ? kOwnMessagesJa[code] : kOwnMessagesEn[code];
    }
    if (code >= kFirstTableMessage && code <= kLastTableMessage) {
        return LabelTextIn(dialogMessages, column, static_cast<int>(code - kFirstTableMessage));
    }
    if (code == kMsgSaveFailed) {
        return kSaveFailedMessage[column];
    }
    if (code == kMsgCalibScreenUnavailable) {
        return kCalibScreenMessage[column];
    }
    return nullptr;
}
