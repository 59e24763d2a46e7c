#!/usr/bin/python3
"""The web console in a real browser: Chromium, headless, driven through ChromeDriver.

The built panel runs as a service with the virtual encoder on COM 1. The browser loads the page,
sees the encoder connected, types a PS and sends it, and the encoder decodes exactly that PS.
Then with a password: the page asks for it, a wrong one is refused, the right one lets a send
through, and after logging out the page's send is refused.

Exit status 77 (a skip for CTest) when Chromium, ChromeDriver or Selenium is missing.
"""
import argparse
import json
import os
import queue
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    print("python3-selenium is not installed: skipped")
    sys.exit(77)

WAIT = 20  # seconds for anything the page or the encoder should show


class Encoder:
    """The virtual encoder on COM 1 of the settings folder; its --json lines read as they come."""

    def __init__(self, program, folder):
        self.process = subprocess.Popen(
            [program, "--config-dir", folder, "--com", "1", "--json"],
            stdout=subprocess.PIPE, text=True)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self.wait_for(lambda line: True)  # it says where it listens once the link is there

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line)

    def wait_for(self, test, seconds=WAIT):
        end = time.monotonic() + seconds
        seen = []
        while time.monotonic() < end:
            try:
                line = self.lines.get(timeout=0.1)
            except queue.Empty:
                continue
            seen.append(line.strip())
            if test(line):
                return line
        raise AssertionError("the encoder never showed it; it printed:\n" + "\n".join(seen))

    def holds_ps(self, ps, seconds=WAIT):
        def test(line):
            try:
                return (json.loads(line).get("state") or {}).get("ps") == ps
            except ValueError:
                return False
        return self.wait_for(test, seconds)

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_panel(program, folder, port):
    """The panel as a service, once its console answers."""
    log = os.path.join(folder, "panel.log")
    process = subprocess.Popen([program, "--config-dir", folder, "--headless"],
                               env=dict(os.environ, QT_QPA_PLATFORM="offscreen"),
                               stdout=subprocess.DEVNULL, stderr=open(log, "a"))
    for _ in range(200):
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            return process
        except OSError:
            time.sleep(0.1)
    raise AssertionError("the panel's console never answered; its log:\n" + open(log).read())


def wait_text(browser, element_id, text):
    WebDriverWait(browser, WAIT).until(
        lambda b: text in b.find_element(By.ID, element_id).text,
        f"#{element_id} never showed {text!r}")


def send_ps(browser, ps):
    field = browser.find_element(By.ID, "psIn")
    field.clear()
    field.send_keys(ps)
    field.find_element(By.XPATH, "following-sibling::button").click()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--panel", required=True)
    parser.add_argument("--encoder", required=True)
    parser.add_argument("--screenshots", help="folder for the page's pictures")
    args = parser.parse_args()
    chromium = shutil.which("chromium")
    driver = shutil.which("chromedriver")
    if not chromium or not driver:
        print("chromium and chromium-driver are not installed: skipped")
        return 77

    folder = tempfile.mkdtemp(prefix="rds-browser-")
    port = free_port()
    with open(os.path.join(folder, "rds.ini"), "w") as ini:
        ini.write("[Select device]\nCOM Port=COM 1\nDevice=0\n[Other settings]\nAuto connect=1\n"
                  f"[RDS Settings]\nPS=STATION\n[Web]\nListen=127.0.0.1:{port}\n")
    encoder = Encoder(args.encoder, folder)
    panel = browser = None
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--window-size=1100,900", f"--user-data-dir={folder}/chromium"):
        options.add_argument(flag)
    try:
        panel = start_panel(args.panel, folder, port)
        browser = webdriver.Chrome(service=Service(driver), options=options)
        url = f"http://127.0.0.1:{port}/"
        browser.get(url)
        wait_text(browser, "state", "connected")
        wait_text(browser, "port", "COM 1")
        send_ps(browser, "WEBTEST")
        encoder.holds_ps("WEBTEST ")
        wait_text(browser, "log", "sent PSWEBTEST")
        if args.screenshots:
            browser.save_screenshot(os.path.join(args.screenshots, "web-console.png"))

        # A password: set as an operator does, then asked by the page.
        panel.terminate()
        panel.wait(20)
        subprocess.run([args.panel, "--config-dir", folder, "--set-web-password"],
                       input="studio 5\nstudio 5\n", text=True, check=True, timeout=120,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        panel = start_panel(args.panel, folder, port)
        browser.get(url)
        WebDriverWait(browser, WAIT).until(
            lambda b: b.find_element(By.ID, "password").is_displayed(), "no login was asked")
        assert not browser.find_element(By.ID, "console").is_displayed()
        password = browser.find_element(By.ID, "password")
        password.send_keys("studio 6\n")
        wait_text(browser, "loginWarn", "wrong password")
        if args.screenshots:
            browser.save_screenshot(os.path.join(args.screenshots, "web-console-login.png"))
        password.send_keys("studio 5\n")
        wait_text(browser, "state", "connected")
        send_ps(browser, "LOGGEDIN")
        encoder.holds_ps("LOGGEDIN")
        token = browser.execute_script("return csrf")
        browser.find_element(By.ID, "logout").click()
        WebDriverWait(browser, WAIT).until(
            lambda b: b.find_element(By.ID, "password").is_displayed(), "no login after logout")
        # The page's own send with the token it had: refused, and nothing reaches the encoder.
        refused = browser.execute_async_script(
            "const done = arguments[1];"
            "fetch('/api/v1/send/ps', {method: 'POST', headers: {'Content-Type': "
            "'application/json', 'X-CSRF-Token': arguments[0]}, body: '{\"value\":\"AFTER\"}'})"
            ".then(r => done(r.status), () => done(0));", token)
        assert refused == 401, f"a send after logging out answered {refused}"
        try:
            encoder.holds_ps("AFTER   ", seconds=1.5)
        except AssertionError:
            pass
        else:
            raise AssertionError("a send after logging out reached the encoder")
        print("web console in Chromium: sends, login, logout all as expected")
        return 0
    finally:
        if browser:
            browser.quit()
        if panel:
            panel.terminate()
            try:
                panel.wait(20)
            except subprocess.TimeoutExpired:
                panel.kill()
        encoder.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
