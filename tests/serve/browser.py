# SPDX-License-Identifier: Apache-2.0
"""Headless Chromium from Debian, driven over the DevTools protocol on a
pipe (--remote-debugging-pipe: commands on descriptor 3, answers on 4, each
message JSON ended by a NUL byte), with the standard library alone."""

import base64
import ctypes
import fcntl
import json
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--hide-scrollbars", "--remote-debugging-pipe"]


class BrowserUnavailable(Exception):
    """Chromium is not installed or cannot run here."""


class Browser:
    def __init__(self, width=1000, height=1500, timeout=60):
        executable = shutil.which("chromium")
        if executable is None:
            raise BrowserUnavailable("chromium is not installed (apt-get install chromium)")
        self.timeout = timeout
        self.profile = tempfile.mkdtemp(prefix="korvane-chromium-")
        commands_read, self._commands = os.pipe()
        self._answers, answers_write = os.pipe()

        def child_setup():
            # Out of the way first: either end may be descriptor 3 or 4 already.
            commands, answers = (fcntl.fcntl(fd, fcntl.F_DUPFD, 10)
                                 for fd in (commands_read, answers_write))
            os.dup2(commands, 3)
            os.dup2(answers, 4)
            ctypes.CDLL(None).prctl(1, signal.SIGKILL)  # dies with the test

        self.process = subprocess.Popen(
            [executable, *FLAGS, f"--user-data-dir={self.profile}",
             f"--window-size={width},{height}", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            close_fds=False, preexec_fn=child_setup)
        os.close(commands_read)
        os.close(answers_write)
        self._buffer = b""
        self._next_id = 0
        self.events = []
        try:
            targets = self.call("Target.getTargets")["targetInfos"]
        except (TimeoutError, OSError) as error:
            self.close()
            raise BrowserUnavailable(f"chromium did not answer: {error}") from error
        page = next(t for t in targets if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"],
                                 flatten=True)["sessionId"]

    def _message(self, deadline):
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("no answer from chromium")
            ready, _, _ = select.select([self._answers], [], [], left)
            if ready:
                data = os.read(self._answers, 1 << 20)
                if not data:
                    raise OSError("chromium closed its pipe")
                self._buffer += data
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, session=None, **params):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self._commands, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + self.timeout
        while True:
            answer = self._message(deadline)
            if answer.get("id") == self._next_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer["result"]
            self.events.append(answer)

    def page(self, method, **params):
        return self.call(method, session=self.session, **params)

    def evaluate(self, expression):
        """The value of `expression` in the page; a promise is awaited."""
        result = self.page("Runtime.evaluate", expression=expression, awaitPromise=True,
                           returnByValue=True)
        if "exceptionDetails" in result:
            raise RuntimeError(result["exceptionDetails"])
        return result["result"].get("value")

    def open(self, url):
        self.page("Page.enable")
        self.page("Network.enable")
        self.page("Page.navigate", url=url)
        self.evaluate("new Promise(done => document.readyState === 'complete' ? done(true)"
                      " : addEventListener('load', () => done(true)))")

    def requested_urls(self):
        return [event["params"]["request"]["url"] for event in self.events
                if event.get("method") == "Network.requestWillBeSent"]

    def choose_file(self, selector, path):
        document = self.page("DOM.getDocument")["root"]["nodeId"]
        node = self.page("DOM.querySelector", nodeId=document, selector=selector)["nodeId"]
        self.page("DOM.setFileInputFiles", nodeId=node, files=[str(path)])

    def screenshot(self, path):
        data = self.page("Page.captureScreenshot", format="png", captureBeyondViewport=True)
        with open(path, "wb") as file:
            file.write(base64.b64decode(data["data"]))

    def close(self):
        try:
            os.close(self._commands)
            os.close(self._answers)
        except OSError:
            pass
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


# What the page's script does when the button is pressed, awaited until the
# answer is shown ("done") or the failure ("failed").
PRESS_CONVERT = """
new Promise(done => {
  document.getElementById('convert').click();
  const check = () => ['done', 'failed'].includes(document.body.dataset.state)
      ? done(document.body.dataset.state) : setTimeout(check, 20);
  check();
})"""

READ_RESULT = """({
  state: document.body.dataset.state,
  status: document.getElementById('status').textContent,
  record: document.getElementById('record').value,
  title: document.getElementById('title').textContent,
  headline: document.getElementById('headline').textContent,
  author: document.getElementById('author').textContent,
  published: document.getElementById('published').textContent,
  images: [...document.querySelectorAll('#images li')].map(item => item.textContent),
  body: document.getElementById('body').textContent,
  json: document.getElementById('json').textContent,
})"""


def paste(browser, html, algorithm):
    """Puts `html` in the text box as a paste would, and picks `algorithm`."""
    browser.evaluate(f"""(() => {{
      const box = document.getElementById('page');
      box.value = {json.dumps(html)};
      box.dispatchEvent(new Event('input'));
      document.getElementById('algorithm').value = {json.dumps(algorithm)};
    }})()""")
