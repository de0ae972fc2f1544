#!/usr/bin/env python3
"""Generates the host's resource table from a Windows resource script.

The device build compiles the script with the SDK's resource compiler; the
host build runs this instead, so that both read the same script and there is
no second hand-kept copy of the resources. It understands the subset of the
script language a small program uses: #include of its own headers for the
#define'd ids, ICON and BITMAP files, MENU, DIALOG (ICON, LTEXT, CTEXT, RTEXT,
PUSHBUTTON, DEFPUSHBUTTON and CONTROL lines), ACCELERATORS and STRINGTABLE.
Anything else is an error, so a resource cannot silently go missing.

usage: rc_to_cpp.py SCRIPT OUTPUT.cpp
"""
import re
import sys
from pathlib import Path

# The platform constants resource scripts use, by name.
PLATFORM_CONSTANTS = {
    "WS_POPUP": 0x80000000, "WS_CHILD": 0x40000000, "WS_VISIBLE": 0x10000000,
    "WS_CAPTION": 0x00C00000, "WS_BORDER": 0x00800000, "WS_SYSMENU": 0x00080000,
    "WS_GROUP": 0x00020000, "WS_TABSTOP": 0x00010000, "DS_MODALFRAME": 0x80,
    "DS_SETFONT": 0x40, "DS_CENTER": 0x0800, "SS_LEFT": 0, "SS_CENTER": 1, "SS_RIGHT": 2,
    "SS_ICON": 3, "SS_NOPREFIX": 0x80, "BS_PUSHBUTTON": 0, "BS_DEFPUSHBUTTON": 1,
    "WS_EX_CAPTIONOKBTN": 0x80000000, "IDOK": 1, "IDCANCEL": 2, "IDC_STATIC": -1,
}
ACCELERATOR_FLAGS = {"VIRTKEY": 0x01, "NOINVERT": 0x02, "SHIFT": 0x04, "CONTROL": 0x08, "ALT": 0x10}
CONTROL_DEFAULTS = {  # class, default style
    "LTEXT": ("STATIC", 0x50020000), "CTEXT": ("STATIC", 0x50020001),
    "RTEXT": ("STATIC", 0x50020002), "ICON": ("STATIC", 0x50000003),
    "PUSHBUTTON": ("BUTTON", 0x50010000), "DEFPUSHBUTTON": ("BUTTON", 0x50010001),
}

TOKEN = re.compile(r'\s*(?:(//[^\n]*)|("(?:[^"]|"")*")|([A-Za-z_][A-Za-z0-9_]*)|(0[xX][0-9A-Fa-f]+[lLuU]*|-?\d+[lLuU]*)|(.))')


class ScriptError(Exception):
    pass


def read_defines(header, defines):
    for line in header.read_text(encoding="utf-8").splitlines():
        match = re.match(r"\s*#define\s+(\w+)\s+(.+?)\s*(//.*)?$", line)
        if match:
            defines[match.group(1)] = evaluate(tokenize(match.group(2)), defines)


def tokenize(text):
    tokens, position = [], 0
    while position < len(text):
        match = TOKEN.match(text, position)
        if not match or match.end() == position:
            break
        position = match.end()
        comment, string, word, number, other = match.groups()
        if comment:
            continue
        if string is not None:
            tokens.append(("string", string[1:-1].replace('""', '"')))
        elif word is not None:
            tokens.append(("word", word))
        elif number is not None:
            tokens.append(("number", int(number.rstrip("lLuU"), 0)))
        elif other is not None and not other.isspace():
            tokens.append(("punct", other))
    return tokens


def evaluate(tokens, defines):
    """Values joined with | (and parentheses dropped), as scripts write them."""
    value = 0
    negate = False
    for kind, text in tokens:
        if kind == "punct" and text in "|()":
            continue
        if kind == "punct" and text == "-":
            negate = True
            continue
        if kind == "punct" and text == "~":
            raise ScriptError("NOT styles are not supported")
        if kind == "number":
            item = text
        elif kind == "word" and text in defines:
            item = defines[text]
        elif kind == "word" and text in PLATFORM_CONSTANTS:
            item = PLATFORM_CONSTANTS[text]
        else:
            raise ScriptError(f"unknown value {text!r}")
        value |= -item if negate else item
        negate = False
    return value


class Parser:
    def __init__(self, tokens, defines, folder):
        self.tokens, self.position = tokens, 0
        self.defines, self.folder = defines, folder
        self.table = {"strings": [], "bitmaps": [], "icons": [], "accelerators": [], "dialogs": [], "menus": []}

    def peek(self, offset=0):
        index = self.position + offset
        return self.tokens[index] if index < len(self.tokens) else (None, None)

    def take(self):
        token = self.peek()
        self.position += 1
        return token

    def expect_word(self, *words):
        kind, text = self.take()
        if kind != "word" or text not in words:
            raise ScriptError(f"expected {' or '.join(words)}, found {text!r}")
        return text

    def value_until_comma(self):
        """A value expression up to the next comma or line-level keyword."""
        parts = []
        while True:
            kind, text = self.peek()
            if kind is None or (kind == "punct" and text == ","):
                break
            if kind == "word" and text in ("BEGIN", "END") and parts:
                break
            parts.append(self.take())
            nxt_kind, nxt = self.peek()
            if not (nxt_kind == "punct" and nxt in "|()") and not (kind == "punct" and text in "|(-"):
                break
        return evaluate(parts, self.defines)

    def comma(self):
        kind, text = self.peek()
        if kind == "punct" and text == ",":
            self.take()
            return True
        return False

    def numbers(self, count):
        values = [self.value_until_comma()]
        for _ in range(count - 1):
            self.comma()
            values.append(self.value_until_comma())
        return values

    def parse(self):
        while self.peek()[0] is not None:
            kind, text = self.peek()
            if kind == "word" and text == "STRINGTABLE":
                self.take()
                self.string_table()
                continue
            resource_id = self.value_until_comma()
            kind, text = self.take()
            if text in ("ICON", "BITMAP"):
                kind, name = self.take()
                if kind != "string":
                    raise ScriptError(f"{text} needs a file name")
                data = (self.folder / name).read_bytes()
                self.table["icons" if text == "ICON" else "bitmaps"].append((resource_id, data))
            elif text == "MENU":
                self.menu(resource_id)
            elif text in ("DIALOG", "DIALOGEX"):
                self.dialog(resource_id)
            elif text == "ACCELERATORS":
                self.accelerators(resource_id)
            else:
                raise ScriptError(f"unsupported resource type {text!r}")
        return self.table

    def string_table(self):
        self.expect_word("BEGIN")
        while self.peek() != ("word", "END"):
            string_id = self.value_until_comma()
            self.comma()
            kind, text = self.take()
            if kind != "string":
                raise ScriptError("a string table entry needs a text")
            self.table["strings"].append((string_id, text))
        self.take()

    def menu(self, menu_id):
        items, depth = [], 0
        self.expect_word("BEGIN")
        depth = 0
        while True:
            kind, text = self.take()
            if text == "POPUP":
                _, label = self.take()
                items.append((depth, label, 0))
            elif text == "MENUITEM":
                kind, label = self.take()
                if kind == "word" and label == "SEPARATOR":
                    continue
                self.comma()
                items.append((depth, label, self.value_until_comma()))
            elif text == "BEGIN":
                depth += 1
            elif text == "END":
                if depth == 0:
                    break
                depth -= 1
            else:
                raise ScriptError(f"unexpected {text!r} in a menu")
        self.table["menus"].append((menu_id, items))

    def dialog(self, dialog_id):
        x, y, cx, cy = self.numbers(4)
        dialog = {"id": dialog_id, "rect": (x, y, cx, cy), "style": 0x80880000, "exstyle": 0,
                  "caption": "", "font": ("", 0), "controls": []}
        while True:
            kind, text = self.take()
            if text == "STYLE":
                dialog["style"] = self.value_until_comma()
            elif text == "EXSTYLE":
                dialog["exstyle"] = self.value_until_comma()
            elif text == "CAPTION":
                dialog["caption"] = self.take()[1]
            elif text == "FONT":
                size = self.value_until_comma()
                self.comma()
                dialog["font"] = (self.take()[1], size)
            elif text == "BEGIN":
                break
            else:
                raise ScriptError(f"unexpected {text!r} in a dialog")
        while True:
            kind, text = self.take()
            if text == "END":
                break
            if text in CONTROL_DEFAULTS:
                class_name, style = CONTROL_DEFAULTS[text]
                label_kind, label = self.peek()
                icon_id = 0
                if text == "ICON":
                    icon_id = self.value_until_comma()
                    label = None
                else:
                    self.take()
                self.comma()
                control_id = self.value_until_comma()
                self.comma()
                x, y, cx, cy = self.numbers(4)
                if self.comma():
                    style |= self.value_until_comma()
                dialog["controls"].append((class_name, label, icon_id, (x, y, cx, cy), style, control_id))
            else:
                raise ScriptError(f"unsupported dialog control {text!r}")
        self.table["dialogs"].append(dialog)

    def accelerators(self, table_id):
        entries = []
        self.expect_word("BEGIN")
        while self.peek() != ("word", "END"):
            kind, key = self.take()
            if kind == "string":
                if len(key) != 1:
                    raise ScriptError(f"accelerator key {key!r} must be one character")
                key_code = ord(key.upper())
            else:
                key_code = evaluate([(kind, key)], self.defines)
            self.comma()
            command = self.value_until_comma()
            flags = 0
            while self.comma():
                flags |= ACCELERATOR_FLAGS[self.expect_word(*ACCELERATOR_FLAGS)]
            entries.append((flags, key_code, command))
        self.take()
        self.table["accelerators"].append((table_id, entries))


def wide(text):
    if text is None:
        return "nullptr"
    out = []
    for char in text:
        if char in '"\\':
            out.append("\\" + char)
        elif 32 <= ord(char) < 127:
            out.append(char)
        else:
            out.append(f"\\U{ord(char):08X}")
    return 'L"' + "".join(out) + '"'


def emit(table, script_name):
    lines = [
        f"// Generated from {script_name} by platform/tools/rc_to_cpp.py; do not edit.",
        "#include <windows.h>", "", '#include "ruvexa_resources.h"', "", "namespace {", "",
    ]

    def file_array(kind, entries):
        for index, (_, data) in enumerate(entries):
            lines.append(f"const unsigned char k{kind}{index}[] = {{")
            for start in range(0, len(data), 24):
                lines.append("    " + ", ".join(str(b) for b in data[start:start + 24]) + ",")
            lines.append("};")
        lines.append(f"const host::FileResource k{kind}s[] = {{")
        for index, (resource_id, data) in enumerate(entries):
            lines.append(f"    {{{resource_id}, k{kind}{index}, sizeof(k{kind}{index})}},")
        lines.append("};")

    lines.append("const host::StringResource kStrings[] = {")
    lines += [f"    {{{sid}, {wide(text)}}}," for sid, text in table["strings"]]
    lines.append("};")
    file_array("Bitmap", table["bitmaps"])
    file_array("Icon", table["icons"])
    for index, (_, entries) in enumerate(table["accelerators"]):
        lines.append(f"const ACCEL kAccel{index}[] = {{")
        lines += [f"    {{{flags}, {key}, {command}}}," for flags, key, command in entries]
        lines.append("};")
    lines.append("const host::AcceleratorResource kAccelerators[] = {")
    lines += [f"    {{{tid}, kAccel{i}, {len(e)}}}," for i, (tid, e) in enumerate(table["accelerators"])]
    lines.append("};")
    for index, dialog in enumerate(table["dialogs"]):
        lines.append(f"const host::DialogControlResource kDialogControls{index}[] = {{")
        for class_name, label, icon_id, (x, y, cx, cy), style, control_id in dialog["controls"]:
            lines.append(f"    {{{wide(class_name)}, {wide(label)}, {icon_id}, {x}, {y}, {cx}, {cy}, "
                         f"0x{style & 0xFFFFFFFF:08X}u, {control_id}}},")
        lines.append("};")
    lines.append("const host::DialogResource kDialogs[] = {")
    for index, dialog in enumerate(table["dialogs"]):
        x, y, cx, cy = dialog["rect"]
        font_name, font_size = dialog["font"]
        lines.append(f"    {{{dialog['id']}, {wide(dialog['caption'])}, {x}, {y}, {cx}, {cy}, "
                     f"0x{dialog['style'] & 0xFFFFFFFF:08X}u, 0x{dialog['exstyle'] & 0xFFFFFFFF:08X}u, "
                     f"{wide(font_name)}, {font_size}, kDialogControls{index}, "
                     f"{len(dialog['controls'])}}},")
    lines.append("};")
    for index, (_, items) in enumerate(table["menus"]):
        lines.append(f"const host::MenuItemResource kMenuItems{index}[] = {{")
        lines += [f"    {{{depth}, {wide(label)}, {command}}}," for depth, label, command in items]
        lines.append("};")
    lines.append("const host::MenuResource kMenus[] = {")
    lines += [f"    {{{mid}, kMenuItems{i}, {len(items)}}}," for i, (mid, items) in enumerate(table["menus"])]
    lines.append("};")

    def count(name, entries):
        return f"{name}, {len(entries)}" if entries else "nullptr, 0"

    lines += [
        "",
        "const host::ResourceTable kResourceTable = {",
        f"    {count('kStrings', table['strings'])},",
        f"    {count('kBitmaps', table['bitmaps'])},",
        f"    {count('kIcons', table['icons'])},",
        f"    {count('kAccelerators', table['accelerators'])},",
        f"    {count('kDialogs', table['dialogs'])},",
        f"    {count('kMenus', table['menus'])},",
        "};",
        "",
        "// Installed before main() runs, so the program finds its resources",
        "// from its first call.",
        "const bool kInstalled = (host::SetResourceTable(&kResourceTable), true);",
        "",
        "}  // namespace",
        "",
    ]
    return "\n".join(lines)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    script = Path(sys.argv[1])
    text = script.read_text(encoding="utf-8")
    defines = {}
    body = []
    for line in text.splitlines():
        match = re.match(r'\s*#include\s+"([^"]+)"', line)
        if match:
            read_defines(script.parent / match.group(1), defines)
        elif not line.lstrip().startswith("#"):
            body.append(line)
    try:
        table = Parser(tokenize("\n".join(body)), defines, script.parent).parse()
    except (ScriptError, OSError, KeyError) as error:
        sys.exit(f"{script}: {error}")
    output = Path(sys.argv[2])
    output.write_text(emit(table, script.name), encoding="utf-8")


if __name__ == "__main__":
    main()
