// The program's resources on the host. On the device they are compiled into
// the executable from its resource script; the host build generates a
// ResourceTable from the same script and hands it to the layer with
// host::SetResourceTable before the program starts. LoadStringW, LoadIconW,
// LoadBitmapW, LoadAcceleratorsW and DialogBoxParamW read from it.
#pragma once

#include <windows.h>

#include <cstddef>

namespace host {

struct StringResource {
    UINT id;
    const wchar_t* text;
};

// The bytes of a resource file as the script names it: a .bmp for bitmaps,
// an .ico for icons.
struct FileResource {
    UINT id;
    const unsigned char* bytes;
    size_t size;
};

// Entries as the script lists them; a 0x80 end-of-table bit in fVirt is
// ignored.
struct AcceleratorResource {
    UINT id;
    const ACCEL* entries;
    size_t count;
};

struct DialogControlResource {
    const wchar_t* className;  // "STATIC" or "BUTTON"
    const wchar_t* text;       // null for an icon
    UINT iconId;               // SS_ICON statics: the icon resource shown
    short x, y, cx, cy;        // dialog units
    DWORD style;
    int id;                    // -1 for IDC_STATIC
};

struct DialogResource {
    UINT id;
    const wchar_t* caption;
    short x, y, cx, cy;  // dialog units
    DWORD style;
    DWORD exStyle;
    const wchar_t* fontName;
    WORD fontPointSize;
    const DialogControlResource* controls;
    size_t controlCount;
};

// A menu as a flat list: depth 0 for a popup of the menu bar, 1 for an item
// of the popup above it.
struct MenuItemResource {
    int depth;
    const wchar_t* text;
    UINT commandId;  // 0 for popups
};

struct MenuResource {
    UINT id;
    const MenuItemResource* items;
    size_t count;
};

struct ResourceTable {
    const StringResource* strings;
    size_t stringCount;
    const FileResource* bitmaps;
    size_t bitmapCount;
    const FileResource* icons;
    size_t iconCount;
    const AcceleratorResource* accelerators;
    size_t acceleratorCount;
    const DialogResource* dialogs;
    size_t dialogCount;
    const MenuResource* menus;
    size_t menuCount;
};

// The table stays the caller's and must outlive its use; null removes it.
void SetResourceTable(const ResourceTable* table);
const ResourceTable* CurrentResourceTable();

}  // namespace host
