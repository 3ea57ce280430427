#!/usr/bin/env python3
"""Turns wayfold-convert --help (on standard input) into its manual page (roff, on standard
output), so the page says what the program says:
    wayfold-convert --help | tools/help-to-man.py VERSION > wayfold-convert.1
The first line is the synopsis; then the description, the options (lines that begin with
two blanks and a '-', their continuations indented further) and the exit status, whose
codes become a list. The sections of man-sections.txt beside this script follow (EXAMPLES,
SEE ALSO): a line in capitals is a heading, lines indented by four blanks are commands,
NAME(N) refers to another page."""
import itertools, pathlib, re, sys

def roff(text):
    text = text.replace('\\', '\\e').replace('-', '\\-')
    return '\\&' + text if text.startswith(('.', "'")) else text

def exit_status(text):
    """'the result (0 done, 2 failed; with several the first), or 64 for a usage error.'
    becomes a sentence and one tagged paragraph per code; other text stays a paragraph."""
    parts = re.match(r'(.*?)\((.*)\)(.*)$', text)
    if not parts:
        return [roff(text)]
    head, inner, tail = parts.groups()
    items = re.split(r', (?=\d)|; ', inner)
    codes = [item.split(' ', 1) for item in items if re.match(r'\d+ ', item)]
    codes += re.findall(r'(\d+) for (.+?)\.?$', tail)
    notes = [item for item in items if not re.match(r'\d+ ', item)]
    sentence = head.strip() + tail.rstrip('.') + ''.join('; ' + note for note in notes) + '.'
    out = [roff(sentence[0].upper() + sentence[1:])]
    for number, (code, meaning) in enumerate(codes):
        out += ['.TP', '.B ' + code, roff(meaning)] + (['.PD 0'] if number == 0 else [])
    return out + ['.PD']

def extra_sections(text):
    out = []
    kind = lambda line: 'command' if line.startswith('    ') else 'text'
    for what, group in itertools.groupby(text.splitlines(), kind):
        lines = list(group)
        if what == 'command':
            out += ['.PP', '.RS 4', '.nf'] + [roff(line.strip()) for line in lines] + ['.fi', '.RE']
            continue
        for line in lines:
            if re.fullmatch(r'[A-Z][A-Z ]+', line):
                out.append('.SH ' + line)
            elif not line.strip():
                out.append('.PP')
            else:
                out.append(re.sub(r'([\w.\\-]+)\((\d)\)', r'\\fB\1\\fR(\2)', roff(line)))
    return out

def main():
    version = sys.argv[1]
    lines = sys.stdin.read().splitlines()
    usage = lines[0].removeprefix('usage: ').split(' ', 1)
    out = ['.TH WAYFOLD\\-CONVERT 1 "" "wayfold %s" "User Commands"' % version,
           '.SH NAME', 'wayfold\\-convert \\- GPS tracks to OziExplorer CE route files',
           '.SH SYNOPSIS', '.B ' + roff(usage[0]), roff(usage[1]) if len(usage) > 1 else '',
           '.SH DESCRIPTION']
    section = 'description'
    status = None
    for line in lines[1:]:
        option = re.match(r'  (-\S.*?)(?:  +(.*))?$', line)
        if status is not None:
            if line.strip():
                status.append(line.strip())
                continue
            out += exit_status(' '.join(status))
            status = None
        if not line.strip():
            out.append('.PP')
        elif option:
            if section != 'options':
                out.append('.SH OPTIONS')
                section = 'options'
            out += ['.TP', '.B ' + roff(option.group(1))] + ([roff(option.group(2))] if option.group(2) else [])
        elif line.startswith('Exit status:'):
            out.append('.SH EXIT STATUS')
            status = [line.removeprefix('Exit status:').strip()]
        else:
            out.append(roff(line.strip()))
    if status is not None:
        out += exit_status(' '.join(status))
    out += extra_sections(pathlib.Path(__file__).with_name('man-sections.txt').read_text())
    # A paragraph break right before a heading or another break is redundant.
    text = '\n'.join(out) + '\n'
    sys.stdout.write(re.sub(r'\.PP\n(?=\.SH|\.PP)', '', text))

if __name__ == '__main__':
    main()
