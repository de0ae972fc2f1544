#!/usr/bin/env python3
"""Checks that each tool's manual page names every command and option the
tool declares. The declarations are read from the tool's own --help (and,
for a tool with commands, each command's --help), so that an option added
to a tool fails this check until its page names it. A page names a command
or an option in bold, as a manual page does: *build*, *--exe*.

    check_man_pages.py NAME=TOOL=PAGE.scd ...
"""
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--[a-z][a-z0-9-]*|-[a-zA-Z])(?![\w-])")
# A command line of the top-level help: two blanks, the command, then its
# arguments or its description.
COMMAND = re.compile(r"^  ([a-z][a-z0-9-]*)\b")


def help_text(tool, *args):
    run = subprocess.run([tool, *args, "--help"], capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit(f"{tool} {' '.join(args)} --help ended with status {run.returncode}: {run.stderr}")
    return run.stdout + run.stderr


def commands_of(text):
    """The commands listed under "commands:" in a top-level help."""
    commands, listing = [], False
    for line in text.splitlines():
        if line.strip() == "commands:":
            listing = True
        elif listing and not line.strip():
            break
        elif listing and COMMAND.match(line):
            commands.append(COMMAND.match(line).group(1))
    return commands


def declared(tool):
    """(commands, options) the tool declares in its help."""
    top = help_text(tool)
    commands = commands_of(top)
    options = set(OPTION.findall(top))
    for command in commands:
        options.update(OPTION.findall(help_text(tool, command)))
    return commands, sorted(options)


def main():
    missing = []
    for row in sys.argv[1:]:
        name, tool, page = row.split("=", 2)
        with open(page, encoding="utf-8") as source:
            text = source.read()
        commands, options = declared(tool)
        for word in commands + options:
            if f"*{word}*" not in text:
                missing.append(f"{name}(1): {'command' if word in commands else 'option'} {word} is not named in {page}")
        print(f"{name}(1): {len(commands)} commands and {len(options)} options from --help")
    for line in missing:
        print(line)
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
