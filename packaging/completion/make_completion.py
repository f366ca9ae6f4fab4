#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Writes bash and zsh completion for a command from its own --help, so that
every option it lists is completed and nothing else.

    make_completion.py PROGRAM BASH_FILE ZSH_FILE [SUBCOMMAND...]

Reads `PROGRAM --help` and, for each subcommand it lists or the command line
names (one the program dispatches before its parser, as korvane serve),
`PROGRAM SUB --help`, in the layout of the command's parser: sections "Positionals:",
"Options:" and "Subcommands:", entries indented by two spaces, an option's
names joined by commas, then its value's name in capitals, then any choices
as ":{a,b}". Values completed: the choices; folders for DIR; files for PATH
and FILE; nothing for other values.
"""

import dataclasses
import os
import re
import subprocess
import sys
from typing import Dict, List, Optional

VALUE = re.compile(r"^(?P<name>[A-Z][A-Z0-9_]*)(?::\{(?P<choices>[^}]*)\}|:\S*)?$")
FILES = ("PATH", "FILE")
FOLDERS = ("DIR",)


@dataclasses.dataclass
class Option:
    names: List[str]
    value: Optional[str]  # the value's name; None for a flag
    choices: List[str]
    description: str


@dataclasses.dataclass
class Command:
    options: List[Option] = dataclasses.field(default_factory=list)
    operand: Optional[str] = None  # the value name of the positional arguments
    subcommands: Dict[str, str] = dataclasses.field(default_factory=dict)  # name: description
    description: str = ""  # what the help says before "Usage:", in short


def _entries(text: str):
    """(section, entry line, its description) for each entry of each section."""
    section = ""
    lines = text.splitlines()
    for index, line in enumerate(lines):
        if re.match(r"^\S.*:$", line):
            section = line[:-1]
            continue
        if not re.match(r"^  \S", line):
            continue
        head, _, description = re.split(r"( {2,}|$)", line.strip(), maxsplit=1)
        parts = [description] if description else []
        for following in lines[index + 1:]:
            if not re.match(r"^ {4,}\S", following):
                break
            parts.append(following.strip())
        yield section, head, _summary(" ".join(parts))


def _summary(description: str, width: int = 60) -> str:
    """The description's first clause, short enough for a menu."""
    summary = description.split("; ")[0]
    for cut in (" (", ", "):
        if len(summary) > width and cut in summary[:width]:
            summary = summary[:summary.rindex(cut, 0, width)]
    return summary


def _value(words: List[str]):
    """The value's name and choices in the words after an entry's name."""
    match = VALUE.match(words[1]) if len(words) > 1 else None
    if not match:
        return None, []
    choices = match.group("choices")
    return match.group("name"), choices.split(",") if choices else []


def _description(text: str) -> str:
    """The first clause of the help's opening, without a leading "NAME:"."""
    opening = " ".join(text.split("\nUsage:")[0].split())
    return _summary(re.sub(r"^[\w -]+: ", "", opening).split(". ")[0])


def parse_help(text: str) -> Command:
    command = Command(description=_description(text))
    for section, head, description in _entries(text):
        words = head.split()
        if section == "Options":
            value, choices = _value(words)
            command.options.append(Option(words[0].split(","), value, choices, description))
        elif section == "Positionals":
            command.operand, _ = _value(words)
        elif section == "Subcommands":
            command.subcommands[words[0]] = description
    return command


def read_help(program: str, *arguments: str) -> Command:
    run = subprocess.run([program, *arguments, "--help"], capture_output=True, text=True,
                         check=True)
    return parse_help(run.stdout)


def _bash_values(program: str, value: Optional[str], choices: List[str]) -> str:
    """Commands that fill COMPREPLY with the values for `cur`."""
    if choices:
        return f"__{program}_fill -W '{' '.join(choices)}'"
    if value in FOLDERS:
        return f"compopt -o filenames 2>/dev/null; __{program}_fill -d"
    if value in FILES:
        return f"compopt -o filenames 2>/dev/null; __{program}_fill -f"
    return ":"  # a value of the user's own


def _bash_function(program: str, function: str, command: Command) -> str:
    cases: Dict[str, List[str]] = {}  # the values' commands: the options that take them
    for option in command.options:
        if option.value:
            values = _bash_values(program, option.value, option.choices)
            cases.setdefault(values, []).extend(option.names)
    names = [name for option in command.options for name in option.names]
    operands = [_bash_values(program, command.operand, [])] if command.operand else []
    if command.subcommands:
        operands.append(f"__{program}_fill -W '{' '.join(command.subcommands)}'")
    return "\n".join([
        f"{function}() {{",
        "  local cur=$1 prev=$2",
        "  case $prev in",
        *(f"    {'|'.join(options)}) {values}; return ;;" for values, options in cases.items()),
        "  esac",
        "  if [[ $cur == -* ]]; then",
        f"    __{program}_fill -W '{' '.join(names)}'",
        "    return",
        "  fi",
        *(f"  {operand}" for operand in operands),
        "}"])


def _bash_dispatch(program: str, subcommands: Dict[str, Command]) -> List[str]:
    """Lines that hand the words after a subcommand to its own function."""
    if not subcommands:
        return []
    # A subcommand is one only as the first word, as the program reads it.
    return ["  if [ \"$COMP_CWORD\" -gt 1 ]; then",
            '    case ${COMP_WORDS[1]} in',
            *(f"      {sub}) __{program}_{sub} \"$cur\" \"$prev\"; return ;;"
              for sub in subcommands),
            "    esac",
            "  fi"]


def bash_script(program: str, main: Command, subcommands: Dict[str, Command]) -> str:
    functions = [_bash_function(program, f"__{program}_main", main)]
    functions += [_bash_function(program, f"__{program}_{sub}", command)
                  for sub, command in subcommands.items()]
    return "\n".join([
        f"# bash completion for {program}: made from `{program} --help` by make_completion.py.",
        "",
        "# Adds the words compgen gives for $cur (in its caller) to COMPREPLY.",
        f"__{program}_fill() {{",
        "  local word",
        '  while IFS= read -r word; do COMPREPLY+=("$word"); done < <(compgen "$@" -- "$cur")',
        "}",
        "",
        *(function + "\n" for function in functions),
        f"_{program}() {{",
        "  COMPREPLY=()",
        "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}",
        "  # --option=value: bash's words split at the '='.",
        "  if [[ $cur == = ]]; then",
        "    cur=",
        "  elif [[ $prev == = ]]; then",
        "    prev=${COMP_WORDS[COMP_CWORD-2]}",
        "  fi",
        *_bash_dispatch(program, subcommands),
        f"  __{program}_main \"$cur\" \"$prev\"",
        "}",
        f"complete -F _{program} {program}",
        ""])


def _zsh_quoted(text: str) -> str:
    """Text for inside '...[text]' of an _arguments word."""
    return text.replace("\\", "\\\\").replace("[", "\\[").replace("]", "\\]").replace(
        "'", "'\\''")


def _zsh_completer(value: Optional[str]) -> Optional[str]:
    if value in FOLDERS:
        return "_files -/"
    if value in FILES:
        return "_files"
    return None


def _zsh_action(value: Optional[str], choices: List[str]) -> str:
    """The ':message:action' part of an _arguments word; empty for a flag."""
    if not value:
        return ""
    if choices:
        return f":{value}:({' '.join(choices)})"
    return f":{value}:{_zsh_completer(value) or ' '}"


def _zsh_words(program: str, command: Command) -> List[str]:
    words = []
    for option in command.options:
        action = _zsh_action(option.value, option.choices)
        described = f"[{_zsh_quoted(option.description)}]{action}"
        if len(option.names) > 1:
            words.append(f"'({' '.join(option.names)})'{{{','.join(option.names)}}}'{described}'")
        else:
            words.append(f"'{option.names[0]}{described}'")
    if command.subcommands:
        words.append(f"'*:: :_{program}_operands'")
    elif command.operand:
        words.append(f"'*{_zsh_action(command.operand, [])}'")
    return words


def _zsh_arguments(program: str, command: Command, indent: str) -> List[str]:
    words = _zsh_words(program, command)
    return [f"{indent}_arguments -s : \\", *(f"{indent}  {word} \\" for word in words[:-1]),
            f"{indent}  {words[-1]}"]


def _zsh_operands(program: str, main: Command) -> List[str]:
    """A function for the words after the options: a subcommand first, or
    the command's own operands."""
    escaped = {name: _zsh_quoted(text).replace(":", "\\:")
               for name, text in main.subcommands.items()}
    described = [f"'{name}:{text}'" for name, text in escaped.items()]
    completer = _zsh_completer(main.operand)
    return [f"_{program}_operands() {{",
            f"  local -a subcommands=({' '.join(described)})",
            "  (( CURRENT == 1 )) && _describe subcommand subcommands",
            *([f"  {completer}"] if completer else []),
            "}", ""]


def zsh_script(program: str, main: Command, subcommands: Dict[str, Command]) -> str:
    lines = [f"#compdef {program}",
             f"# zsh completion for {program}: made from `{program} --help` by make_completion.py.",
             ""]
    if subcommands:
        lines += _zsh_operands(program, main)
    lines.append(f"_{program}() {{")
    if subcommands:
        lines.append("  case ${words[2]} in")
        for sub, command in subcommands.items():
            lines += [f"    {sub})", "      shift words; (( CURRENT-- ))",
                      *_zsh_arguments(program, command, "      "), "      return ;;"]
        lines.append("  esac")
    lines += [*_zsh_arguments(program, main, "  "), "}", "", f"_{program} \"$@\"", ""]
    return "\n".join(lines)


def main(argv: List[str]) -> int:
    if len(argv) < 4:
        print("usage: make_completion.py PROGRAM BASH_FILE ZSH_FILE [SUBCOMMAND...]",
              file=sys.stderr)
        return 2
    program_path, bash_file, zsh_file = argv[1:4]
    program = os.path.basename(program_path)
    main_command = read_help(program_path)
    subcommands = {sub: read_help(program_path, sub) for sub in argv[4:]}
    main_command.subcommands.update({sub: command.description
                                     for sub, command in subcommands.items()})
    for sub in main_command.subcommands:
        if sub not in subcommands:
            subcommands[sub] = read_help(program_path, sub)
    with open(bash_file, "w", encoding="utf-8") as out:
        out.write(bash_script(program, main_command, subcommands))
    with open(zsh_file, "w", encoding="utf-8") as out:
        out.write(zsh_script(program, main_command, subcommands))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
