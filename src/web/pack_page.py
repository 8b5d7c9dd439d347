#!/usr/bin/env python3
"""Packs the demo's page into one file that plays from anywhere, file:// too:
the page's markup and script, emscripten's loader, the program gzipped (its
pictures make up most of it and shrink tenfold) and the music, both in
base64. Without a music file the page holds none and plays silently."""

import argparse
import base64
import gzip
import os
import re
import sys


def read(path, mode="r"):
    with open(path, mode) as f:
        return f.read()


def inline_script(text, name):
    # A script's text ends at the first "</script", whatever the JavaScript means.
    if "</script" in text.lower():
        sys.exit(f"pack_page: {name} holds '</script' and cannot be inlined")
    return text


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--template", required=True)
    parser.add_argument("--script", required=True)
    parser.add_argument("--loader", required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--music", default="")
    parser.add_argument("--output", required=True)
    args = parser.parse_args()

    program = gzip.compress(read(args.program, "rb"), compresslevel=9, mtime=0)
    music = read(args.music, "rb") if args.music and os.path.isfile(args.music) else b""
    parts = {
        "@SCRIPT@": inline_script(read(args.script), args.script),
        "@LOADER@": inline_script(read(args.loader), args.loader),
        "@PROGRAM@": base64.b64encode(program).decode("ascii"),
        "@MUSIC@": base64.b64encode(music).decode("ascii"),
    }
    template = read(args.template)
    for marker in parts:
        if template.count(marker) != 1:
            sys.exit(f"pack_page: {args.template} must hold {marker} once")
    # One pass, so that no inserted text is searched for markers.
    page = re.sub("|".join(parts), lambda match: parts[match.group(0)], template)

    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    partial = args.output + ".partial"
    with open(partial, "w") as f:
        f.write(page)
    os.replace(partial, args.output)


if __name__ == "__main__":
    main()
