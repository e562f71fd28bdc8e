"""Checks the web pages quorlix-cli writes (-f page) with real HTML tools.

  page_check.py valid   CLI CONFIG SAMPLE_LOG GENERATE_LOG
      tidy finds no error and html5lib's strict parser no parse error.
  page_check.py browser CLI CONFIG SAMPLE_LOG GENERATE_LOG
      headless Chromium opens each page; the text it shows holds, line after
      line, the time, channel, person and message text of the log, nothing
      of a message became an element, and the browser made no request.

The pages are made of the sample log, a generated log and a log of hostile
messages, each with a few option sets. Exits 77 (skipped) when a tool is
missing.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = 77

HOSTILE = [
    b"a</script><script>document.title='pwned'</script>b",
    b"<img src=http://example.invalid/x.png onerror=alert(1)>img",
    b'<a href="javascript:alert(1)">click</a> me',
    b'<font color="red" onmouseover="alert(1)">hover</font>',
    b"<font color=expression(alert(1))>expr</font>",
    b"<style>body{display:none}</style>styled",
    b"<link rel=stylesheet href=http://example.invalid/x.css>linked",
    b'<iframe src="http://example.invalid/"></iframe>framed',
    b'<meta http-equiv="refresh" content="0;url=http://example.invalid/">meta',
    b"unclosed <font color=red",
    b"<font color=red>" * 10000 + b"deep" + b"</font>" * 10000,
    b"nul\x00 and \x01\x02\x1b[31m controls\x7f",
    b"1 < 2 > 0 <3 &amp; \x80 \xe4\xf6\xfc \x93q\x94 \x81",
    b"long " + b"x" * (1024 * 1024),  # the 10 MB line is in the engine's own table
]

OPTION_SETS = [
    [],
    ["--channel-name", "--channel-colors", "--mark-links"],
    ["--channel-name", "--strip-tags", "--time"],
]

CP1252_HIGH = (
    "\u20ac\ufffd\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\ufffd"
    "\u017d\ufffd\ufffd\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a"
    "\u0153\ufffd\u017e\u0178"
)


def shown_char(b):
    """The character a byte of the log shows as on the page."""
    if b == 0x09:
        return "\t"
    if b < 0x20:
        return chr(0x2400 + b)
    if b == 0x7F:
        return "\u2421"
    if 0x80 <= b <= 0x9F:
        return CP1252_HIGH[b - 0x80]
    return chr(b)


def shown_text(data):
    return "".join(shown_char(b) for b in data)


TAG = re.compile(rb"<(?:[A-Za-z!]|/[A-Za-z])[^>]*>")


def log_lines(path):
    """(line number, time, channel, person, message) of each line taken in."""
    with open(path, "rb") as f:
        data = f.read()
    lines = re.split(rb"\r\n|\n|\r", data)
    if lines and lines[-1] == b"":
        lines.pop()
    taken = []
    for number, line in enumerate(lines, 1):
        header, bracket, message = line.partition(b"]")
        fields = header.replace(b'"', b"").split(b",")
        if b"[" not in header or len(fields) < 4 or fields[2] == b"Polbot":
            continue
        taken.append((number, int(fields[3]), fields[1], fields[2], message))
    return taken


def expected_text(entry, options):
    import datetime

    number, time, channel, person, message = entry
    clock = datetime.datetime.fromtimestamp(time, datetime.timezone.utc).strftime("%H:%M:%S")
    text = clock + " "
    if "--channel-name" in options:
        text += "[" + shown_text(channel) + "] "
    if person:
        text += shown_text(person) + ": "
    if "--mark-links" in options and b"<a href" in message:
        text += "link removed "
    return text + shown_text(TAG.sub(b"", message))


def make_logs(work, sample, generate_log):
    logs = [sample]
    hostile = os.path.join(work, "hostile.log")
    with open(hostile, "wb") as f:
        f.write(b"not a log line\r\n")
        for k, message in enumerate(HOSTILE):
            person = b"Eve" if k % 2 else b'<b onclick="x">M\xe4ll</b>'
            f.write(b'[1,"<i>Clan</i>","' + person + b'",' + str(1104624000 + 3600 * k).encode())
            f.write(b"]" + message + b"\r\n")
    logs.append(hostile)
    if generate_log and os.path.exists(generate_log):
        generated = os.path.join(work, "generated.log")
        subprocess.run([generate_log, "0.3", generated, "7"], check=True)
        logs.append(generated)
    return logs


def make_pages(cli, config, work, logs):
    """(page, log, options) for each log and option set."""
    pages = []
    for log in logs:
        for k, options in enumerate(OPTION_SETS):
            page = os.path.join(work, "%s-%d.html" % (os.path.basename(log), k))
            subprocess.run(
                [cli, "-f", "page", "--config", config, "-o", page] + options + [log], check=True
            )
            pages.append((page, log, options))
    return pages


def check_valid(pages):
    import html5lib

    for page, _, _ in pages:
        with open(page, "rb") as f:
            data = f.read()
        tidy = subprocess.run(["tidy", "-errors", "-q", page], capture_output=True, text=True)
        # tidy exits 1 for warnings (which -errors does not print), 2 for errors.
        if tidy.returncode >= 2 or tidy.stderr.strip():
            raise AssertionError("tidy: %s\n%s" % (page, tidy.stderr[:2000]))
        parser = html5lib.HTMLParser(strict=True)
        try:
            parser.parse(data)
        except html5lib.html5parser.ParseError as e:
            raise AssertionError("html5lib: %s: %s" % (page, e))


def element_text(element):
    return "".join(element.itertext())


def check_browser(pages, work):
    import html5lib

    check_request_detection(work)
    for k, (page, log, options) in enumerate(pages):
        dom, requests = run_chromium("file://" + page, work, str(k))
        if requests:
            raise AssertionError("%s: the page asked for %s" % (page, requests[:5]))
        document = html5lib.parse(dom, namespaceHTMLElements=False)
        if document.find("head/title") is None or "pwned" in element_text(document.find("head/title")):
            raise AssertionError("%s: the title changed" % page)
        main = document.find("body/main")
        shown = [(p.get("id"), element_text(p)) for p in main.iter("p") if p.get("id")]
        want = [("l%d" % e[0], expected_text(e, options)) for e in log_lines(log)]
        if shown != want:
            for got, expected in zip(shown, want):
                if got != expected:
                    raise AssertionError(
                        "%s: shown %r\nexpected %r" % (page, got[:1] + (got[1][:300],),
                                                       expected[:1] + (expected[1][:300],)))
            raise AssertionError("%s: %d lines shown, %d expected" % (page, len(shown), len(want)))
        # Only the page's own elements: nothing a message held became one.
        allowed = {"p", "a", "b", "span", "i", "h2"}
        for element in main.iter():
            if element is not main and element.tag not in allowed:
                raise AssertionError("%s: a <%s> element in the page" % (page, element.tag))
            for name in element.attrib:
                if name.startswith("on") or name == "src":
                    raise AssertionError("%s: attribute %s" % (page, name))


def page_requests(net_log):
    """The URLs of the requests the page (a file:// document) made; the
    browser's own background requests belong to no page and are left out."""
    with open(net_log, encoding="utf-8", errors="replace") as f:
        text = f.read()
    try:
        log = json.loads(text)
    except ValueError:  # a browser that quit leaves the event list open
        log = json.loads(text.rstrip().rstrip(",") + "]}")
    names = {v: k for k, v in log["constants"]["logEventTypes"].items()}
    urls = []
    for event in log.get("events", []):
        params = event.get("params", {})
        if names.get(event["type"]) == "URL_REQUEST_START_JOB" and "file://" in params.get(
            "network_isolation_key", ""
        ):
            urls.append(params.get("url"))
    return urls


def run_chromium(url, work, name, dump_dom=True):
    """Runs headless Chromium on `url`; its stdout and the page's requests."""
    net_log = os.path.join(work, "net-%s.json" % name)
    args = [shutil.which("chromium"), "--headless", "--no-sandbox", "--disable-gpu",
            "--no-first-run", "--disable-background-networking", "--disable-component-update",
            "--disable-sync", "--disable-default-apps",
            "--user-data-dir=" + os.path.join(work, "profile-" + name),
            "--host-resolver-rules=MAP * ~NOTFOUND", "--log-net-log=" + net_log,
            "--net-log-capture-mode=Everything", "--virtual-time-budget=2000"]
    if dump_dom:
        args.append("--dump-dom")
    run = subprocess.run(args + [url], capture_output=True, timeout=300)
    if run.returncode != 0:
        raise AssertionError("chromium failed on %s: %s" % (url, run.stderr[-2000:]))
    return run.stdout, page_requests(net_log)


def check_request_detection(work):
    """A page that loads a picture must be seen doing so, or the check of
    the real pages would pass whatever they did."""
    probe = os.path.join(work, "probe.html")
    with open(probe, "w") as f:
        f.write('<!DOCTYPE html><title>p</title><img src="http://example.invalid/x.png">')
    _, requests = run_chromium("file://" + probe, work, "probe")
    if "http://example.invalid/x.png" not in requests:
        raise AssertionError("the net log does not show a page's request: %s" % requests)


def main():
    mode, cli, config, sample, generate_log = sys.argv[1:6]
    if mode == "valid":
        try:
            import html5lib  # noqa: F401
        except ImportError:
            print("html5lib is not installed")
            return SKIP
        if shutil.which("tidy") is None:
            print("tidy is not installed")
            return SKIP
    elif shutil.which("chromium") is None:
        print("chromium is not installed")
        return SKIP
    else:
        try:
            import html5lib  # noqa: F401
        except ImportError:
            print("html5lib is not installed")
            return SKIP
    with tempfile.TemporaryDirectory() as work:
        pages = make_pages(cli, config, work, make_logs(work, sample, generate_log))
        if mode == "valid":
            check_valid(pages)
        else:
            check_browser(pages, work)
    print("%d pages checked" % len(pages))
    return 0


if __name__ == "__main__":
    sys.exit(main())
