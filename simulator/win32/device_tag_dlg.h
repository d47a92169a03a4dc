// CDeviceTagDlg: the modal dialog that edits one simulated variable.
#pragma once

#include "simulator/core/variable_form.h"

#include <windows.h>

namespace moxlan::win32 {

class CDeviceTagDlg
{
public:
    // The form gives what the dialog shows and takes what OK accepts.
    explicit CDeviceTagDlg(VariableForm& form) : m_form(form) {}

    // True when the user accepted numbers in every field with OK.
    bool run(HWND owner);

private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    void initialise();
    void updateEnabling();
    // Reads every field; a text that is no number is refused with a message, its field gets
    // the focus and the dialog stays open.
    bool exchange();
    void selectType(std::int32_t type);

    VariableForm& m_form;
    HWND m_dialog = nullptr;
};

} // namespace moxlan::win32
