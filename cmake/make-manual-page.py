#!/usr/bin/env python3
"""Makes talun-r5's manual page and its bash completion from the program's own
--help and each command's --help, so that neither can say anything else.

    make-manual-page.py PROGRAM VERSION MANUAL_PAGE COMPLETION
"""
import re
import subprocess
import sys

# An entry of a help section: "  --log FILE    Append ...", or the name alone
# on its line with the description on the next.
ENTRY = re.compile(r"^  (\S+(?: \S+)*?)(?: {2,}(\S.*))?$")
VALUE = re.compile(r"^[A-Z][A-Z0-9]*(?::\{([^}]*)\})?$")


def help_of(program, *command):
    result = subprocess.run([program, *command, "--help"], capture_output=True, text=True,
                            check=True)
    return result.stdout.splitlines()


def parse(lines):
    """The description paragraphs, the usage and the entries of each section."""
    help_text = {"description": [], "usage": "", "sections": {}}
    section = None
    for line in lines:
        if line.startswith("Usage: "):
            help_text["usage"] = line[len("Usage: "):]
        elif re.match(r"^[A-Z][a-z]+:$", line):
            section = help_text["sections"].setdefault(line[:-1], [])
        elif section is None:
            if line.strip():
                help_text["description"].append(line.strip())
        elif line.startswith("   ") and section:
            section[-1]["text"] = line.strip()
        elif line.startswith("  "):
            match = ENTRY.match(line)
            section.append(entry_of(match.group(1), match.group(2) or ""))
    return help_text


def entry_of(head, text):
    words = head.split()
    entry = {"names": words[0].split(","), "value": None, "choices": [], "text": text}
    for word in words[1:]:
        match = VALUE.match(word)
        if match and word != "REQUIRED":
            entry["value"] = word.split(":")[0]
            entry["choices"] = match.group(1).split(",") if match.group(1) else []
    return entry


def roff(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text.startswith((".", "'")) else text


def roff_entry(entry, out):
    names = ", ".join("\\fB" + roff(name) + "\\fR" for name in entry["names"])
    if entry["value"]:
        names += " \\fI" + roff(entry["value"]) + "\\fR"
    out += [".TP", names, roff(entry["text"])]


def manual_page(program_name, version, top, commands):
    summary = top["description"][0].split(":")[0]
    out = [f'.TH {roff(program_name.upper())} 1 "" "{roff(program_name)} {roff(version)}" '
           '"User Commands"',
           ".SH NAME", f"{roff(program_name)} \\- {roff(summary)}",
           ".SH SYNOPSIS", f".B {roff(program_name)}",
           "[\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fICOMMAND OPTIONS\\fR]",
           ".SH DESCRIPTION"]
    exit_status = [line for line in top["description"] if line.startswith("Exit status:")]
    for line in top["description"]:
        if line not in exit_status:
            out += [roff(line), ".PP"]
    out.pop()
    out.append(".SH OPTIONS")
    for entry in top["sections"].get("Options", []):
        roff_entry(entry, out)
    out.append(".SH COMMANDS")
    for name, help_text in commands.items():
        out += [f".SS {roff(help_text['usage'])}", roff(" ".join(help_text["description"]))]
        for section in ("Positionals", "Options"):
            for entry in help_text["sections"].get(section, []):
                if "--help" not in entry["names"]:
                    roff_entry(entry, out)
    if exit_status:
        out += [".SH EXIT STATUS", roff(exit_status[0][len("Exit status:"):].strip())]
    return "\n".join(out) + "\n"


def options_of(entries):
    return " ".join(name for entry in entries for name in entry["names"]
                    if name.startswith("-"))


def completion(program_name, top, commands):
    function = "_" + re.sub(r"\W", "_", program_name)
    top_options = top["sections"].get("Options", [])
    every = top_options + [entry for help_text in commands.values()
                           for section in help_text["sections"].values() for entry in section]
    files = sorted({name for entry in every if entry["value"] == "FILE" for name in entry["names"]
                    if name.startswith("-")})
    valued = sorted({name for entry in every if entry["value"] and entry["value"] != "FILE"
                     for name in entry["names"] if name.startswith("-")})
    lines = [f"# bash completion for {program_name}, made from its --help",
             f"{function}() {{",
             "    local cur prev words cword command i",
             "    _init_completion || return",
             f'    local commands="{" ".join(commands)}"',
             f'    local options="{options_of(top_options)}"',
             "    for ((i = 1; i < cword; i++)); do",
             "        case \" $commands \" in *\" ${words[i]} \"*) command=${words[i]}; break ;; esac",
             "    done",
             "    case $prev in",
             f"        {'|'.join(files)}) _filedir; return ;;",
             f"        {'|'.join(valued)}) return ;;",
             "    esac",
             "    case $command in"]
    for name, help_text in commands.items():
        entries = [entry for section in help_text["sections"].values() for entry in section]
        choices = " ".join(choice for entry in entries for choice in entry["choices"])
        positional_file = any(entry["value"] == "FILE" and not entry["names"][0].startswith("-")
                              for entry in entries)
        lines.append(f'        {name}) options="$options {options_of(entries)}"')
        if choices:
            lines.append(f'            [[ $cur == -* ]] || {{ COMPREPLY=($(compgen -W "{choices}" '
                         '-- "$cur")); return; }')
        if positional_file:
            lines.append("            [[ $cur == -* ]] || { _filedir; return; }")
        lines.append("            ;;")
    lines += ["        *) [[ $cur == -* ]] || { COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\")); "
              "return; } ;;",
              "    esac",
              "    COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))",
              "}",
              f"complete -F {function} {program_name}"]
    return "\n".join(lines) + "\n"


def main():
    program, version, manual_path, completion_path = sys.argv[1:5]
    top = parse(help_of(program))
    commands = {entry["names"][0]: parse(help_of(program, entry["names"][0]))
                for entry in top["sections"].get("Subcommands", [])}
    program_name = top["usage"].split()[0]
    with open(manual_path, "w", encoding="ascii") as out:
        out.write(manual_page(program_name, version, top, commands))
    with open(completion_path, "w", encoding="ascii") as out:
        out.write(completion(program_name, top, commands))


if __name__ == "__main__":
    main()
