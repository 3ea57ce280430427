#!/usr/bin/env python3
"""Turns wayfold-convert --help (on standard input) into its manual page (roff, on standard
output), so the page says what the program says:
    wayfold-convert --help | tools/help-to-man.py VERSION > wayfold-convert.1
The first line is the synopsis; then the description, the options (lines that begin with
two blanks and a '-', their continuations indented further) and the exit status."""
import re, sys

def roff(text):
    text = text.replace('\\', '\\e').replace('-', '\\-')
    return '\\&' + text if text.startswith(('.', "'")) else text

def main():
    version = sys.argv[1]
    lines = sys.stdin.read().splitlines()
    usage = lines[0].removeprefix('usage: ').split(' ', 1)
    out = ['.TH WAYFOLD\\-CONVERT 1 "" "wayfold %s" "User Commands"' % version,
           '.SH NAME', 'wayfold\\-convert \\- GPS tracks to OziExplorer CE route files',
           '.SH SYNOPSIS', '.B ' + roff(usage[0]), roff(usage[1]) if len(usage) > 1 else '',
           '.SH DESCRIPTION']
    section = 'description'
    for line in lines[1:]:
        option = re.match(r'  (-\S.*?)(?:  +(.*))?$', line)
        if not line.strip():
            out.append('.PP')
        elif option:
            if section != 'options':
                out.append('.SH OPTIONS')
                section = 'options'
            out += ['.TP', '.B ' + roff(option.group(1))] + ([roff(option.group(2))] if option.group(2) else [])
        elif line.startswith('Exit status:'):
            out += ['.SH EXIT STATUS', roff(line.removeprefix('Exit status:').strip())]
            section = 'exit'
        else:
            out.append(roff(line.strip()))
    # A paragraph break right before a heading is redundant.
    text = '\n'.join(out) + '\n'
    sys.stdout.write(re.sub(r'\.PP\n(?=\.SH)', '', text))

if __name__ == '__main__':
    main()
