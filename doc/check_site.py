"""Opens the built documentation in headless Chromium and checks it as a reader meets it.

    /usr/bin/python3 doc/check_site.py build/docs/html

The site is served over HTTP on 127.0.0.1, and one Chromium, driven through
its DevTools protocol on a pipe, opens every page. The check fails when

- a page's image does not load,
- a link within the site leads to a page that is missing, or to an anchor
  that page does not have,
- a public Python name (``regionkit.__all__``, and the ``__all__`` of each
  public module) or a MATLAB function of Contents.m has no page of its own,
- the search page finds no page for a function's name.

Links to other sites are not followed.
"""
import argparse
import fcntl
import functools
import http.server
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import types
import urllib.parse

import regionkit

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--remote-debugging-pipe"]

# Run in each page once it has loaded: its title, the ids it holds, its links,
# and whether each of its images can be loaded and decoded.
PAGE_FACTS = """(async () => {
  const images = await Promise.all([...document.images].map(async (img) => {
    const probe = new Image();
    probe.src = img.src;
    try { await probe.decode(); return {src: img.src, ok: probe.naturalWidth > 0}; }
    catch (e) { return {src: img.src, ok: false}; }
  }));
  return {title: document.title,
          ids: [...document.querySelectorAll('[id]')].map(e => e.id)
                 .concat([...document.querySelectorAll('a[name]')].map(e => e.name)),
          links: [...document.querySelectorAll('a[href]')].map(a => a.href),
          images: images};
})()"""

# The search page fills its results after it has loaded the index.
SEARCH_RESULTS = """new Promise((resolve) => {
  const started = Date.now();
  const poll = () => {
    const links = [...document.querySelectorAll('#search-results a')].map(a => a.href);
    const done = document.querySelector('#search-results p') || links.length;
    if (done || Date.now() - started > 15000) resolve(links); else setTimeout(poll, 100);
  };
  poll();
})"""


class Browser:
    """Chromium, spoken to in DevTools protocol messages on a pipe (NUL-terminated JSON)."""

    def __init__(self, chromium):
        self.profile = tempfile.mkdtemp(prefix="regionkit-chromium-")
        to_browser_read, self.to_browser = os.pipe()
        self.from_browser, from_browser_write = os.pipe()
        # Chromium reads commands from descriptor 3 and writes to 4: the
        # child's ends go there, from copies above any descriptor in the way.
        # (Every other descriptor of this process is close-on-exec.)
        ends = [fcntl.fcntl(fd, fcntl.F_DUPFD, 10) for fd in (to_browser_read, from_browser_write)]

        def descriptors():
            os.dup2(ends[0], 3)
            os.dup2(ends[1], 4)

        self.process = subprocess.Popen([chromium] + CHROMIUM_FLAGS + ["--user-data-dir=" + self.profile,
                                                                        "about:blank"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        preexec_fn=descriptors, close_fds=False)
        for fd in [to_browser_read, from_browser_write] + ends:
            os.close(fd)
        self.buffer = b""
        self.next_id = 0
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        self.call("Page.enable", session=True)

    def send(self, method, params, session):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        return self.next_id

    def receive(self):
        while b"\0" not in self.buffer:
            chunk = os.read(self.from_browser, 1 << 16)
            if not chunk:
                raise RuntimeError("Chromium closed the DevTools pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, session=False, until_event=None):
        wanted = self.send(method, params, session)
        result, event_seen = None, until_event is None
        while result is None or not event_seen:
            message = self.receive()
            if message.get("id") == wanted:
                if "error" in message:
                    raise RuntimeError("%s: %s" % (method, message["error"]))
                result = message["result"]
            elif message.get("method") == until_event:
                event_seen = True
        return result

    def open(self, url):
        self.call("Page.navigate", {"url": url}, session=True, until_event="Page.loadEventFired")

    def evaluate(self, expression):
        reply = self.call("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                               "returnByValue": True}, session=True)
        if "exceptionDetails" in reply:
            raise RuntimeError("script failed: %s" % reply["exceptionDetails"])
        return reply["result"]["value"]

    def close(self):
        try:
            self.send("Browser.close", None, False)
            self.process.wait(timeout=20)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait()
        os.close(self.to_browser)
        os.close(self.from_browser)
        shutil.rmtree(self.profile, ignore_errors=True)


def serve(folder):
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def expected_pages():
    """The page each public name must have, relative to the site."""
    pages = {}
    for name in regionkit.__all__:
        obj = getattr(regionkit, name)
        if isinstance(obj, types.ModuleType):
            for member in obj.__all__:
                pages["regionkit.%s.%s" % (name, member)] = "api/python/regionkit.%s.%s.html" % (name, member)
        if isinstance(obj, types.ModuleType) or callable(obj):
            pages["regionkit." + name] = "api/python/regionkit.%s.html" % name
    with open(os.path.join(ROOT, "Contents.m"), encoding="utf-8") as f:
        for name in re.findall(r"^%\s+(\w+)\s+- ", f.read(), re.M):
            pages[name] = "api/matlab/%s.html" % name
    return pages


def check(site, chromium):
    problems = []
    html = sorted(os.path.relpath(os.path.join(d, f), site) for d, _, files in os.walk(site)
                  for f in files if f.endswith(".html") and not d.startswith(os.path.join(site, "_")))
    server = serve(site)
    base = "http://127.0.0.1:%d/" % server.server_address[1]
    browser = Browser(chromium)
    try:
        facts = {}
        for page in html:
            browser.open(base + page)
            facts[page] = browser.evaluate(PAGE_FACTS)
        broken = {}  # each missing target once, with the pages that link to it
        for page, fact in facts.items():
            problems += ["%s: image %s does not load" % (page, i["src"]) for i in fact["images"] if not i["ok"]]
            for link in fact["links"]:
                target = urllib.parse.urlsplit(link)
                if not link.startswith(base):
                    continue
                path = urllib.parse.unquote(target.path[1:]) or "index.html"
                if path.endswith("/"):
                    path += "index.html"
                if not os.path.exists(os.path.join(site, path)):
                    broken.setdefault("a missing page " + path, set()).add(page)
                elif target.fragment and path in facts and target.fragment not in facts[path]["ids"]:
                    broken.setdefault("a missing anchor %s#%s" % (path, target.fragment), set()).add(page)
        problems += ["link to %s from %s" % (what, ", ".join(sorted(pages)[:3]) + (" and %d more" % (len(pages) - 3)
                                                                                 if len(pages) > 3 else ""))
                     for what, pages in sorted(broken.items())]
        for name, page in sorted(expected_pages().items()):
            if page not in facts:
                problems.append("%s has no page (%s)" % (name, page))
            elif name.split(".")[-1] not in facts[page]["title"]:
                problems.append("%s: the title %r does not name %s" % (page, facts[page]["title"], name))
        searched = 0
        for name in ("nms", "rectCull", "word_histograms"):
            browser.open(base + "search.html?q=" + name)
            found = [urllib.parse.urlsplit(link).path for link in browser.evaluate(SEARCH_RESULTS)]
            if not any(name in path for path in found):
                problems.append("the search for %s found no page of it (found %s)" % (name, found))
            searched += 1
    finally:
        browser.close()
        server.shutdown()
    print("check_site: %d pages opened in Chromium, %d searches, %d problems"
          % (len(html), searched, len(problems)))
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("site", help="the built HTML site, such as build/docs/html")
    parser.add_argument("--chromium", default=shutil.which("chromium") or "chromium")
    args = parser.parse_args()
    problems = check(os.path.abspath(args.site), args.chromium)
    for problem in problems:
        print("check_site:", problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
