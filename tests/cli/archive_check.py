"""Checks the archive folders quorlix-cli writes (--archive) with real tools.

  archive_check.py CLI CONFIG SAMPLE_LOG GENERATE_LOG

For the sample log, a log of hostile names and messages and a generated log,
each with a few option sets:
  - the index's scenes are the rows of --scenes with the same options, and
    each scene page's <main> is that of -f page --scene K;
  - html5lib's strict parser finds no error in any file, and every link
    points to a file of the archive or an anchor in one (the footer's
    credit aside);
  - a rerun after lines were appended replaces only the last scene's page,
    the new scenes' pages and the indexes, and one with a larger gap
    removes the pages of the scenes it merged;
  - headless Chromium opens the index and a scene page, shows their text
    and makes no request.
Exits 77 (skipped) when html5lib or Chromium is missing.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

import page_check

SKIP = 77
HOME_PAGE = "https://quorlix.example.org/"

OPTION_SETS = [
    [],
    ["--channel-name", "--channel-colors", "--mark-links"],
    ["--scene-gap", "5", "--strip-tags"],
]


def run(cli, *args):
    return subprocess.run([cli] + list(args), check=True, capture_output=True).stdout


def parse(path):
    import html5lib

    with open(path, "rb") as f:
        data = f.read()
    try:
        return html5lib.HTMLParser(strict=True, namespaceHTMLElements=False).parse(data), data
    except html5lib.html5parser.ParseError as e:
        raise AssertionError("html5lib: %s: %s" % (path, e))


def text_of(element):
    return "".join(element.itertext())


def main_part(data):
    """The bytes from <main> to </main>."""
    return data[data.index(b"<main>"):data.index(b"</main>") + 7]


def check_links(folder):
    files = sorted(n for n in os.listdir(folder) if n.endswith(".html"))
    ids, links = {}, []
    for name in files:
        document, _ = parse(os.path.join(folder, name))
        ids[name] = {e.get("id") for e in document.iter() if e.get("id")}
        links += [(name, a.get("href")) for a in document.iter("a")]
        # Nothing of a name or message became an element or an attribute.
        for element in document.iter():
            if element.tag in ("script", "img", "iframe", "link") or \
                    any(n.startswith("on") or n == "src" for n in element.attrib):
                raise AssertionError("%s: <%s %s>" % (name, element.tag, element.attrib))
    for name, href in links:
        if href != HOME_PAGE:
            target, _, anchor = href.partition("#")
            target = target or name
            if target not in ids or (anchor and anchor not in ids[target]):
                raise AssertionError("%s: link %s leads nowhere" % (name, href))
    return files


def index_rows(folder):
    """(page, day, time text, lines, persons text) of each row, newest first."""
    document, _ = parse(os.path.join(folder, "index.html"))
    rows = []
    for tr in document.iter("tr"):
        cells = tr.findall("td")
        if cells:
            rows.append((cells[0].find("a").get("href"),) + tuple(text_of(c) for c in cells[:5]))
    return rows


def check_against_scenes(cli, config, log, options, folder):
    listed = run(cli, "--config", config, "--scenes", *options, log)
    # Names as the log's bytes, each shown as the pages show it.
    scenes = [[page_check.shown_text(field) for field in line.split(b"\t")]
              for line in listed.split(b"\r\n") if line]
    # The index is newest first; among scenes of one second, file order.
    oldest_first = sorted(range(len(scenes)), key=lambda k: scenes[k][1])
    rows = list(reversed(index_rows(folder)))
    if len(rows) != len(scenes):
        raise AssertionError("%s: %d rows, %d scenes" % (folder, len(rows), len(scenes)))
    # Every row; the pages of at most 25 scenes, spread over the log.
    compared = set(oldest_first[::max(1, len(scenes) // 24)] + oldest_first[-1:])
    for row, k in zip(rows, oldest_first):
        number, first, last, lines, persons = scenes[k]
        page, day, clock, _, shown_lines, shown_persons = row
        want_persons = re.sub(r" \((\d+)\)", r" \1", persons)
        if (day, shown_lines, shown_persons) != (first[:10], lines, want_persons) or \
                not clock.startswith(first[11:]) or not clock.endswith(last[11:]):
            raise AssertionError("%s: row %r for scene %r" % (folder, row, scenes[k]))
        if k not in compared:
            continue
        whole = run(cli, "--config", config, "-f", "page", "--scene", number, *options, log)
        with open(os.path.join(folder, page), "rb") as f:
            if main_part(f.read()) != main_part(whole):
                raise AssertionError("%s: %s differs from -f page --scene %s" % (folder, page, number))
    return len(compared)


def files_of(folder):
    """Each file's inode and modification time: a replaced file changes both."""
    return {n: (os.stat(os.path.join(folder, n)).st_ino, os.stat(os.path.join(folder, n)).st_mtime_ns)
            for n in os.listdir(folder)}


def check_rerun(cli, config, work):
    log = os.path.join(work, "growing.log")
    lines = [b'[1,"Main","Ann",%d]line %d\r\n' % (1104624000 + 600 * k + (k // 5) * 7200, k)
             for k in range(30)]
    with open(log, "wb") as f:
        f.writelines(lines[:20])
    folder = os.path.join(work, "growing")
    run(cli, "--config", config, "--archive", folder, log)
    before = files_of(folder)
    with open(log, "ab") as f:
        f.writelines(lines[20:])
    run(cli, "--config", config, "--archive", folder, log)
    after = files_of(folder)
    changed = sorted(n for n in after if before.get(n) != after[n])
    # Scenes of 5 lines 2 h 50 min apart: the 4th gets a link to the next,
    # the 5th and the 6th are new; the first three stay as they were.
    want = sorted(["index.html", "persons.html", ".quorlix-archive", ".quorlix-archive-resume",
                   "2005-01-02_08-30-00.html", "2005-01-02_11-20-00.html",
                   "2005-01-02_14-10-00.html"])
    if changed != want:
        raise AssertionError("rerun replaced %s, expected %s" % (changed, want))
    run(cli, "--config", config, "--archive", folder, "--scene-gap", "200", log)
    pages = [n for n in os.listdir(folder) if n[0].isdigit()]
    if pages != ["2005-01-02_00-00-00.html"]:
        raise AssertionError("after a larger gap: %s" % pages)
    check_links(folder)


def check_browser(folder, work, name):
    for page in ["index.html", sorted(n for n in os.listdir(folder) if n[0].isdigit())[-1]]:
        dom, requests = page_check.run_chromium("file://" + os.path.join(folder, page), work,
                                                name + page)
        if requests:
            raise AssertionError("%s: requests %s" % (page, requests[:5]))
        import html5lib

        shown = text_of(html5lib.parse(dom, namespaceHTMLElements=False))
        if page == "index.html" and "Scenes:" not in shown:
            raise AssertionError("%s shows %r" % (page, shown[:300]))
        if page != "index.html" and not re.search(r"\d\d:\d\d:\d\d", shown):
            raise AssertionError("%s shows %r" % (page, shown[:300]))


def main():
    cli, config, sample, generate_log = sys.argv[1:5]
    try:
        import html5lib  # noqa: F401
    except ImportError:
        print("html5lib is not installed")
        return SKIP
    browser = shutil.which("chromium") is not None
    checked = 0
    with tempfile.TemporaryDirectory() as work:
        for log in page_check.make_logs(work, sample, generate_log):
            # The generated log's thousands of pages once: html5lib is slow.
            sets = OPTION_SETS[:1] if log.endswith("generated.log") else OPTION_SETS
            if log == sample:
                sets = sets + [["-p", "bob", "-p", "tilvara", "-c", "clan", "-c", "ooc"]]
            for k, options in enumerate(sets):
                folder = os.path.join(work, "%s-%d" % (os.path.basename(log), k))
                run(cli, "--config", config, "--archive", folder, *options, log)
                checked += check_against_scenes(cli, config, log, options, folder)
                check_links(folder)
                if browser and k == 0:
                    check_browser(folder, work, os.path.basename(log))
        check_rerun(cli, config, work)
    print("%d scene pages checked%s" % (checked, "" if browser else " (no browser)"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
