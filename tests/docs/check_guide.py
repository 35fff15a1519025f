#!/usr/bin/env python3
"""Checks the user guide's pages: every relative link and source (href, src)
leads to a file of the guide, and a fragment to an id in that page; no page
runs a script or loads anything from elsewhere; every page is reached from
index.html and every file of the folder is used. Given the program, every
command its --help lists has a section (id "cmd-NAME") on the command-line
page.

    check_guide.py GUIDE_FOLDER [PROGRAM]
"""
import html.parser
import os
import re
import subprocess
import sys
import urllib.parse


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.ids = set()
        self.links = []      # (tag, attribute, value)
        self.problems = []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            if attrs["id"] in self.ids:
                self.problems.append(f'id "{attrs["id"]}" is given twice')
            self.ids.add(attrs["id"])
        if tag == "a" and "name" in attrs:
            self.ids.add(attrs["name"])
        if tag in ("script", "iframe", "object", "embed"):
            self.problems.append(f"<{tag}> is not allowed")
        for name, value in attrs.items():
            if name.startswith("on"):
                self.problems.append(f"<{tag} {name}> runs a script")
            if name in ("href", "src") and value is not None:
                self.links.append((tag, name, value))
        if "style" in attrs and "url(" in (attrs["style"] or ""):
            self.problems.append(f"<{tag} style> loads a resource")


def check(folder, program):
    folder = os.path.realpath(folder)
    problems = []
    files = sorted(f for f in os.listdir(folder) if os.path.isfile(os.path.join(folder, f)))
    pages = {}
    for name in files:
        if name.endswith(".html"):
            page = Page()
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                page.feed(f.read())
            page.close()
            pages[name] = page
        elif name.endswith(".css"):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                if re.search(r"url\(|@import", f.read()):
                    problems.append(f"{name}: the stylesheet loads a resource")
    if "index.html" not in pages:
        return ["index.html is missing"]

    used = {"index.html"}
    reached = {}
    for name, page in pages.items():
        problems += [f"{name}: {p}" for p in page.problems]
        for tag, attribute, value in page.links:
            where = f'{name}: <{tag} {attribute}="{value}">'
            url = urllib.parse.urlsplit(value)
            if url.scheme or url.netloc:
                # Only a link the reader follows may leave the guide.
                if tag != "a" or url.scheme not in ("http", "https", "mailto"):
                    problems.append(f"{where} loads from outside the guide")
                continue
            target = urllib.parse.unquote(url.path) or name
            path = os.path.realpath(os.path.join(folder, target))
            if os.path.dirname(path) != folder or not os.path.isfile(path):
                problems.append(f"{where} leads to no file of the guide")
                continue
            target = os.path.basename(path)
            used.add(target)
            reached.setdefault(name, set()).add(target)
            if url.fragment:
                if target not in pages:
                    problems.append(f"{where} has a fragment, but {target} is no page")
                elif urllib.parse.unquote(url.fragment) not in pages[target].ids:
                    problems.append(f'{where}: {target} has no id "{url.fragment}"')

    seen, todo = {"index.html"}, ["index.html"]
    while todo:
        for target in reached.get(todo.pop(), ()):
            if target in pages and target not in seen:
                seen.add(target)
                todo.append(target)
    problems += [f"{name} is not reached from index.html" for name in sorted(set(pages) - seen)]
    problems += [f"{name} is used by no page" for name in files if name not in used]

    if program:
        help_text = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout
        listing = help_text.split("Commands:\n", 1)[-1].split("\n\n", 1)[0]
        commands = re.findall(r"^  ([a-z][a-z-]*)\b", listing, re.M)
        if not commands:
            problems.append(f"{program} --help lists no commands")
        manual = pages.get("command-line.html")
        for command in commands:
            if manual is None or f"cmd-{command}" not in manual.ids:
                problems.append(f'command-line.html has no section "cmd-{command}" for the command {command}')
    return problems


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    found = check(sys.argv[1], sys.argv[2] if len(sys.argv) == 3 else None)
    for line in found:
        print(line, file=sys.stderr)
    sys.exit(1 if found else 0)
