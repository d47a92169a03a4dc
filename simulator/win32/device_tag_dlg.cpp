#include "simulator/win32/device_tag_dlg.h"

#include "simulator/win32/message_box.h"
#include "simulator/win32/resource.h"

#include <array>
#include <optional>
#include <string>

namespace moxlan::win32 {

namespace {

// Indexed by simulation type.
constexpr std::array<int, 7> kTypeButtons = {IDC_CONSTANT, IDC_RANDOM,   IDC_INCREMENTAL, IDC_SINE,
                                             IDC_SQUARE,   IDC_TRIANGLE, IDC_SAWTOOTH};

// The type of a radio button's id, or nothing for another control.
std::optional<std::int32_t> typeOfButton(int id)
{
    for (size_t type = 0; type < kTypeButtons.size(); ++type)
        if (kTypeButtons[type] == id) return static_cast<std::int32_t>(type);
    return std::nullopt;
}

std::string fieldText(HWND dialog, int id)
{
    HWND field = GetDlgItem(dialog, id);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(field)) + 1, '\0');
    text.resize(
        static_cast<size_t>(GetWindowTextA(field, text.data(), static_cast<int>(text.size()))));
    return text;
}

void refuse(HWND dialog, int id, const char* message)
{
    showMessage(dialog, message, MB_ICONEXCLAMATION);
    HWND field = GetDlgItem(dialog, id);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

} // namespace

bool CDeviceTagDlg::run(HWND owner)
{
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DEVICETAG), owner,
                           procedure, reinterpret_cast<LPARAM>(this)) == IDOK;
}

INT_PTR CALLBACK CDeviceTagDlg::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CDeviceTagDlg*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        self = reinterpret_cast<CDeviceTagDlg*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        self->m_dialog = dialog;
        self->initialise();
        return TRUE;
    case WM_COMMAND:
        if (!self) return FALSE;
        if (const std::optional<std::int32_t> type = typeOfButton(LOWORD(wParam))) {
            self->selectType(*type);
            return TRUE;
        }
        switch (LOWORD(wParam)) {
        case IDOK:
            if (self->exchange()) EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void CDeviceTagDlg::initialise()
{
    SetDlgItemTextA(m_dialog, IDC_NAME, m_form.name.c_str());
    SetDlgItemTextA(m_dialog, IDC_VALUE, floatFieldText(m_form.value).c_str());
    SetDlgItemTextA(m_dialog, IDC_INTERVAL, std::to_string(m_form.interval).c_str());
    SetDlgItemTextA(m_dialog, IDC_LOW, floatFieldText(m_form.low).c_str());
    SetDlgItemTextA(m_dialog, IDC_HIGH, floatFieldText(m_form.high).c_str());
    SetDlgItemTextA(m_dialog, IDC_STEP, floatFieldText(m_form.step).c_str());
    for (int level = 0; level < kAlarmLevels; ++level) {
        const LevelLimit& limit = m_form.alarms.levels[static_cast<size_t>(level)];
        CheckDlgButton(m_dialog, IDC_ALARM_ON + level, limit.enabled ? BST_CHECKED : BST_UNCHECKED);
        SetDlgItemTextA(m_dialog, IDC_ALARM_LIMIT + level, floatFieldText(limit.limit).c_str());
        SetDlgItemTextA(m_dialog, IDC_ALARM_SEVERITY + level,
                        std::to_string(limit.severity).c_str());
    }
    EnableWindow(GetDlgItem(m_dialog, IDC_NAME), m_form.nameEnabled);
    const int chosen = kTypeButtons[static_cast<size_t>(typeChoice(m_form.type))];
    for (const int button : kTypeButtons)
        CheckDlgButton(m_dialog, button, button == chosen ? BST_CHECKED : BST_UNCHECKED);
    updateEnabling();
}

void CDeviceTagDlg::selectType(std::int32_t type)
{
    m_form.type = type;
    updateEnabling();
}

void CDeviceTagDlg::updateEnabling()
{
    const RangeEnabling enabling = rangeEnabling(m_form.type);
    EnableWindow(GetDlgItem(m_dialog, IDC_LOW), enabling.low);
    EnableWindow(GetDlgItem(m_dialog, IDC_HIGH), enabling.high);
    EnableWindow(GetDlgItem(m_dialog, IDC_STEP), enabling.step);
    SetDlgItemTextA(m_dialog, IDC_STEP_LABEL, stepLabel(m_form.type));
}

bool CDeviceTagDlg::exchange()
{
    VariableForm accepted = m_form;
    accepted.name = fieldText(m_dialog, IDC_NAME);
    const auto readFloat = [this](int id, float& target) {
        const std::optional<float> value = parseFloatField(fieldText(m_dialog, id));
        if (!value)
            refuse(m_dialog, id, kNotANumberMessage);
        else
            target = *value;
        return value.has_value();
    };
    if (!readFloat(IDC_VALUE, accepted.value)) return false;
    const std::optional<std::int32_t> interval =
        parseIntegerField(fieldText(m_dialog, IDC_INTERVAL));
    if (!interval) {
        refuse(m_dialog, IDC_INTERVAL, kNotAnIntegerMessage);
        return false;
    }
    accepted.interval = *interval;
    if (!readFloat(IDC_LOW, accepted.low) || !readFloat(IDC_HIGH, accepted.high) ||
        !readFloat(IDC_STEP, accepted.step))
        return false;
    for (int level = 0; level < kAlarmLevels; ++level) {
        LevelLimit& limit = accepted.alarms.levels[static_cast<size_t>(level)];
        limit.enabled = IsDlgButtonChecked(m_dialog, IDC_ALARM_ON + level) == BST_CHECKED;
        if (!readFloat(IDC_ALARM_LIMIT + level, limit.limit)) return false;
        const std::optional<std::uint32_t> severity =
            parseSeverity(fieldText(m_dialog, IDC_ALARM_SEVERITY + level));
        if (!severity) {
            refuse(m_dialog, IDC_ALARM_SEVERITY + level, kSeverityMessage);
            return false;
        }
        limit.severity = *severity;
    }
    if (const std::optional<std::string> problem = formProblem(accepted)) {
        refuse(m_dialog, IDC_STEP, problem->c_str());
        return false;
    }
    m_form = accepted;
    return true;
}

} // namespace moxlan::win32
