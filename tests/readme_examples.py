#!/usr/bin/env python3
"""Runs the examples of README.md and requires the output it shows, so the two cannot drift:
    tests/readme_examples.py CONVERTER
An example is a line '    $ COMMAND' and the lines indented alike under it, up to a blank
line or the next '$': its output, standard error included. The commands run one after
another, without a shell, in one temporary folder holding a copy of examples/walk.plt,
with CONVERTER for wayfold-convert."""
import difflib, pathlib, re, shlex, shutil, subprocess, sys, tempfile

top = pathlib.Path(__file__).resolve().parent.parent
readme = (top / 'README.md').read_text(encoding='utf-8')
examples = re.findall(r'^    \$ (.*)\n((?:    (?!\$ ).*\n)*)', readme, re.M)
failed = 0
with tempfile.TemporaryDirectory() as folder:
    shutil.copy(top / 'examples' / 'walk.plt', folder)
    for command, shown in examples:
        argv = shlex.split(command)
        if argv[0] == 'wayfold-convert':
            argv[0] = str(pathlib.Path(sys.argv[1]).resolve())
        run = subprocess.run(argv, cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        expected = re.sub(r'^    ', '', shown, flags=re.M).splitlines()
        actual = run.stdout.decode('utf-8').splitlines()
        if actual != expected:
            failed += 1
            print('README.md: $ %s' % command)
            sys.stdout.writelines(l + '\n' for l in difflib.unified_diff(expected, actual, 'README', 'program', lineterm=''))
print('%d examples, %d differ' % (len(examples), failed))
sys.exit(1 if failed or not examples else 0)
