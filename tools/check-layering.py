#!/usr/bin/env python3
# Who may use whom, read from the includes and from the CMake link lines of
# every folder. A folder may always use itself; the program entries
# (app/main.cpp, tools, tests, bench) may use everything but what a rule
# below says.
import os, re, sys

ORDER = {
    'core': [],
    'support': ['core'],
    'widgets': ['core', 'resources'],
    'lists': ['support', 'core'],
    'audio': ['support', 'core'],
    'platform': ['support', 'core'],
    'engine': ['audio', 'lists', 'platform', 'support', 'core'],
    'app': ['engine', 'audio', 'lists', 'platform', 'support', 'core', 'resources'],
    'app/desktop': ['app', 'widgets', 'engine', 'audio', 'lists', 'platform', 'support', 'core', 'resources'],
    # The player window opens the browser; the browser never reaches back
    # into the player window (it calls it through its host interface).
    'ui': ['browser', 'app/desktop', 'app', 'widgets', 'engine', 'audio', 'lists', 'platform', 'support', 'core',
           'resources'],
    'browser': ['app/desktop', 'app', 'widgets', 'engine', 'audio', 'lists', 'platform', 'support', 'core',
                'resources'],
    'resources': [],
    # The headless tool runs where there is no desktop.
    'tools/qor-cli': ['app', 'engine', 'audio', 'lists', 'platform', 'support', 'core', 'resources'],
}
TARGETS = {
    'qor_core': 'core', 'qor_support': 'support', 'qor_widgets': 'widgets', 'qor_lists': 'lists',
    'qor_audio': 'audio', 'qor_platform': 'platform', 'qor_engine': 'engine', 'qor_app': 'app',
    'qor_desktop': 'app/desktop', 'qor_ui': 'ui', 'qor_browser': 'browser', 'qor_browser_wire': 'browser',
    'qor_browser_pages': 'browser', 'qor_browser_objects': 'browser', 'qor-browser': 'browser',
    'qor-web-extension': 'browser', 'qor_strings': 'resources',
    'qor-cli': 'tools/qor-cli',
}
# Folders whose code is the session and engine: no toolkit headers at all.
HEADLESS = ['core', 'support', 'lists', 'audio', 'platform', 'engine', 'app', 'tools/qor-cli']
GUI_HEADER = re.compile(r'#include\s*<(gtk/|gdk/|cairo|pango|X11/)')
# WebKit costs hundreds of megabytes: only the browser library uses it.
WEB_HEADER = re.compile(r'#include\s*<(webkit2?/|jsc/|JavaScriptCore/)')

def folder_of_include(path):
    if path.startswith('app/desktop/'):
        return 'app/desktop'
    if path.startswith('tools/qor-cli/'):
        return 'tools/qor-cli'
    return path.split('/', 1)[0]

def folder_of_target(name):
    if name in TARGETS:
        return TARGETS[name]
    if name.endswith('_resources'):
        return 'resources'
    return None

def own_files(folder):
    # A folder's files, without those of a subfolder that has rules of its own.
    for root, dirs, files in os.walk(folder):
        rel = os.path.relpath(root, '.')
        dirs[:] = [d for d in dirs if os.path.join(rel, d) not in ORDER]
        for f in files:
            path = os.path.join(rel, f)
            if path == 'app/main.cpp':
                continue  # the program entry
            yield path

def main():
    bad = []
    for folder, allowed in ORDER.items():
        if not os.path.isdir(folder):
            continue
        ok = set(allowed) | {folder}
        for path in own_files(folder):
            if path.endswith(('.cpp', '.h', '.cc')):
                with open(path, encoding='utf-8', errors='replace') as f:
                    for n, line in enumerate(f, 1):
                        m = re.match(r'\s*#include\s*"([^"]+)"', line)
                        if m and '/' in m.group(1):
                            used = folder_of_include(m.group(1))
                            if used in ORDER and used not in ok:
                                bad.append(f'{path}:{n}: {folder} includes {m.group(1)}')
                        if folder in HEADLESS and GUI_HEADER.match(line):
                            bad.append(f'{path}:{n}: {folder} includes a desktop header: {line.strip()}')
                        if folder != 'browser' and WEB_HEADER.match(line):
                            bad.append(f'{path}:{n}: only the browser may include WebKit: {line.strip()}')
            elif os.path.basename(path) == 'CMakeLists.txt':
                text = re.sub(r'#[^\n]*', '', open(path, encoding='utf-8').read())
                for m in re.finditer(r'\b(qor_library|target_link_libraries)\s*\(([^)]*)\)', text):
                    words = m.group(2).split()
                    if not words:
                        continue
                    user = folder_of_target(words[0])
                    if user is None:
                        continue  # a program or a test: anything goes
                    user_ok = set(ORDER.get(user, [])) | {user}
                    for word in words[1:]:
                        used = folder_of_target(word)
                        if used and used not in user_ok:
                            bad.append(f'{path}: {words[0]} ({user}) links {word} ({used})')
    if bad:
        print('Layering violation: the order is core < support < lists, audio, platform < engine < app '
              '< app/desktop, browser < ui; widgets above core only:')
        print('\n'.join(bad))
        return 1
    return 0

sys.exit(main())
