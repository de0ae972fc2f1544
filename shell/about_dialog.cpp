// AboutDialogProc: centres the dialog on its owner; OK, Cancel and close end it.
#include "about_dialog.h"

namespace {

void CentreOnOwner(HWND dialog) {
    RECT dialogRect;
    if (!GetWindowRect(dialog, &dialogRect)) return;
    RECT ownerRect;
    GetClientRect(GetParent(dialog), &ownerRect);
    LONG dialogWidth = dialogRect.right - dialogRect.left;
    LONG dialogHeight = dialogRect.bottom - dialogRect.top;
    LONG x = (ownerRect.right - ownerRect.left - dialogWidth) / 2;
    LONG y = (ownerRect.bottom - ownerRect.top - dialogHeight) / 2;
    SetWindowPos(dialog, NULL, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

}  // namespace

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            CentreOnOwner(dialog);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(dialog, message);
            return TRUE;
    }
    return FALSE;
}
