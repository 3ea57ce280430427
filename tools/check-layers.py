#!/usr/bin/env python3
"""Checks that the product's modules (a .h and its .cpp together) include each other
without a loop, and that every include points down the layers:
program (shell, converter) -> conversion -> settings, readers -> platform, resources, common.
Prints the graph as DOT with --dot."""
import os, re, sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FOLDERS = ['shell', 'converter', 'conversion', 'settings', 'readers', 'platform', 'resources', 'common']
# A folder may include its own modules and those of folders of a lower rank.
RANK = {'shell': 4, 'converter': 4, 'conversion': 3, 'settings': 2, 'readers': 2,
        'platform': 1, 'resources': 0, 'common': 0}
# The one include up the layers: the MPS reader reports a damaged track record itself.
ALLOWED_UP = {('readers/mps_reader', 'conversion/status_log')}

def modules():
    graph = {}
    for folder in FOLDERS:
        for name in sorted(os.listdir(os.path.join(ROOT, folder))):
            if not name.endswith(('.h', '.cpp')):
                continue
            module = folder + '/' + os.path.splitext(name)[0]
            text = open(os.path.join(ROOT, folder, name), encoding='utf-8').read()
            targets = {os.path.splitext(t)[0] for t in re.findall(r'^#include "([^"]+)"', text, re.M)}
            graph.setdefault(module, set()).update(t for t in targets if t != module)
    return graph

def cycles(graph):
    found, state = [], {}
    def visit(node, path):
        state[node] = 1
        for target in sorted(graph.get(node, ())):
            if state.get(target) == 1:
                found.append(path[path.index(target):] + [target])
            elif target not in state:
                visit(target, path + [target])
        state[node] = 2
    for node in sorted(graph):
        if node not in state:
            visit(node, [node])
    return found

def main():
    graph = modules()
    if '--dot' in sys.argv:
        print('digraph includes {')
        for source in sorted(graph):
            for target in sorted(graph[source]):
                print(f'  "{source}" -> "{target}";')
        print('}')
    problems = [' -> '.join(c) + ': a loop' for c in cycles(graph)]
    for source in sorted(graph):
        for target in sorted(graph[source]):
            s, t = source.split('/')[0], target.split('/')[0]
            if t in RANK and RANK[t] > RANK[s] and (source, target) not in ALLOWED_UP:
                problems.append(f'{source} -> {target}: up the layers')
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0

if __name__ == '__main__':
    sys.exit(main())
