#!/usr/bin/python3
"""The real dashlauncher and the real viewer together under Xvfb.

Run inside xvfb-run: e2e_launcher_viewer.py PROGRAM_DIR SCREENSHOT_DIR
PROGRAM_DIR holds dashlauncher and "TARVIK DASHCAM". Each case gets its own
settings, data, home, download and runtime folders, and its own HTTP and FTP
servers on 127.0.0.1 (test_servers.py). Dialogs are answered with xdotool;
the main window is closed the way a window manager closes it.
"""
import ctypes
import gzip
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAM_DIR = SHOTS = None
TIMEOUT = 90  # generous: the machine may be busy
INSTALLER = "#!/bin/sh\ntouch \"$HOME/installer-ran\"\n"


def wait_for(done, timeout=TIMEOUT, what="condition"):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = done()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split()


def window(name):
    """The newest visible window whose title is exactly `name`."""
    found = xdotool("search", "--onlyvisible", "--name", "^%s$" % name)
    return found[-1] if found else None


def press(name, key):
    wid = wait_for(lambda: window(name), what="window " + name)
    subprocess.run(["xdotool", "windowfocus", "--sync", wid], capture_output=True)
    subprocess.run(["xdotool", "key", "--window", "0", key], capture_output=True)


def close_window(wid):
    """Sends WM_DELETE_WINDOW, as a window manager's close button does."""
    x = ctypes.cdll.LoadLibrary("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.c_void_p]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    display = x.XOpenDisplay(None)
    event = Event()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = int(wid)
    event.xclient.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x.XSendEvent(display, int(wid), 0, 0, ctypes.byref(event))
    x.XFlush(display)
    x.XCloseDisplay(display)


def screenshot(name):
    os.makedirs(SHOTS, exist_ok=True)
    path = os.path.join(SHOTS, name + ".png")
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "x11grab", "-video_size", "1366x768",
                    "-i", os.environ["DISPLAY"], "-frames:v", "1", path], check=True)
    return path


def viewer_pids(home):
    """Viewers of one run (other programs on the machine may run viewers too)."""
    pids = []
    for entry in os.listdir("/proc"):
        try:
            if not entry.isdigit() or os.path.basename(
                    os.readlink("/proc/%s/exe" % entry)) != "TARVIK DASHCAM":
                continue
            with open("/proc/%s/environ" % entry, "rb") as environ:
                if ("HOME=" + home).encode() in environ.read().split(b"\0"):
                    pids.append(int(entry))
        except OSError:
            pass
    return pids


class Run:
    """One launcher run with its folders, servers and status log."""

    def __init__(self, agreement, version="1.0.7", network=True, throttle=0.0):
        self.root = tempfile.mkdtemp(prefix="launcher-e2e-")
        d = lambda *p: os.path.join(self.root, *p)
        for sub in ("config/pexlan", "data", "home", "run", "ftp"):
            os.makedirs(d(sub))
        os.chmod(d("run"), 0o700)
        with zipfile.ZipFile(d("release.zip"), "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("TARVIK DASHCAM Installer.run", INSTALLER + "#" * 100000 + "\n")
        self.servers = subprocess.Popen(
            ["/usr/bin/python3", os.path.join(HERE, "test_servers.py"), "--version", version,
             "--archive", d("release.zip"), "--throttle", str(throttle), "--ftp-dir", d("ftp"),
             "--request-log", d("requests.txt")],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        ports = json.loads(self.servers.stdout.readline())
        server = "http://127.0.0.1:%d" % ports["http"]
        with open(d("config/pexlan/melcor.conf"), "w") as conf:
            conf.write("[General]\nagreement=%s\nversion=1.0.6\n\n[launcher]\n"
                       "reachHosts=127.0.0.1\nreachPort=%d\nupdateServer=%s\n"
                       "downloadServer=%s\nuploadHost=127.0.0.1\nuploadPort=%d\n"
                       % (agreement, ports["http"] if network else 1, server, server,
                          ports["ftp"]))
        self.env = dict(os.environ, XDG_CONFIG_HOME=d("config"), XDG_DATA_HOME=d("data"),
                        HOME=d("home"), XDG_RUNTIME_DIR=d("run"))
        self.env.pop("QT_QPA_PLATFORM", None)
        self.log_path = d("data", "com.TARVIK_DASHCAM", "TARVIK DASHCAM", "playerStatus.txt")
        self.ftp = d("ftp")
        self.home = d("home")
        self.launcher = None
        self._log = None
        self._seen = b""
        self.stderr = open(d("launcher.err"), "w")

    def start(self):
        self.launcher = self.start_launcher()
        # Kept open: the viewer deletes the log at a normal exit, and what
        # was written to it stays readable through this descriptor.
        self._log = open(wait_for(lambda: os.path.exists(self.log_path) and self.log_path,
                                  what="status log"), "rb")

    def start_launcher(self):
        return subprocess.Popen([os.path.join(PROGRAM_DIR, "dashlauncher")], env=self.env,
                                stdout=subprocess.DEVNULL, stderr=self.stderr)

    def log(self):
        self._seen += self._log.read()
        return self._seen.decode("utf-8", "replace")

    def wait_log(self, text):
        wait_for(lambda: text in self.log(), what="log line " + text)

    def end(self):
        code = self.launcher.wait(TIMEOUT)
        self.log()
        return code

    def close(self):
        for p in (self.launcher,):
            if p and p.poll() is None:
                p.kill()
                p.wait()
        for pid in viewer_pids(self.home):
            os.kill(pid, signal.SIGKILL)
        self.servers.stdin.close()
        self.servers.wait(10)
        self.servers.stdout.close()
        if self._log:
            self._log.close()
        self.stderr.close()
        if os.environ.get("KEEP_E2E"):
            print("kept", self.root)
            return
        shutil.rmtree(self.root, ignore_errors=True)


class LauncherAndViewer(unittest.TestCase):
    def run_case(self, *args, **kwargs):
        run = Run(*args, **kwargs)
        self.addCleanup(run.close)
        return run

    def assertLines(self, log, lines):
        for line in lines:
            self.assertIn(line, log)

    def test_update_found_downloaded_and_installed(self):
        run = self.run_case("3", throttle=3.0)
        run.start()
        run.wait_log("[MessageBox]: Update Message: find Update Version")
        press("Update Message", "Return")
        run.wait_log("[MainWindow] RecvMessage: wait")
        wait_for(lambda: window("Download"), what="wait notice")
        screenshot("wait-alert-view")
        wait_for(lambda: window("Update"), what="update dialog")
        time.sleep(0.5)  # let it paint
        screenshot("update-view-install")
        press("Update", "Return")
        run.wait_log("[MessageBox]: Update Message: Download is complete.")
        press("Update Message", "Return")
        self.assertEqual(run.end(), 0)
        wait_for(lambda: os.path.exists(os.path.join(run.home, "installer-ran")),
                 what="installer")
        log = run.log()
        self.assertLines(log, [
            ":: [SERVER] Automatic update: true", ":: [SERVER] Network is enable",
            ":: [SERVER] file version: 1.0.7", ":: [SERVER] Update is exist",
            ":: [SERVER] Socket is listening now!", ":: [i] connected localSocket!",
            ":: [i] Send Message: HelloLauncher", ":: [SERVER] Send Message: HelloClient",
            ":: [i] GetMessage Complete! Message is : HelloClient",
            ":: [i] Send Message: 1.0.6", ":: [SERVER] Send Message: FindUpdate",
            ":: [i] Send Message: Download", ":: [SERVER] Send Message: wait",
            ":: [SERVER] Send Message: complete:1.0.7",
            ":: [d] [MainWindow] RecvMessage: complete:1.0.7",
            ":: [i] Send Message: updateAgreement", ":: [SERVER] Recv Message: updateAgreement",
            ":: [i] Update is Exist. Program will be close",
            ":: [i] Send Message: closeToDoNot",
            ":: [i] Send Message: GoodbyeLauncher", ":: [i] LocalSocket::close"])
        # The launcher's own lines about closeToDoNot may come after the viewer
        # removed the log (and are then dropped on purpose); that it took the
        # update exit shows in the installer it started, which it does only then.
        # The check box stayed ticked: automatic updates remain on.
        self.assertEqual(log.count(":: [SERVER] Automatic update: true"), 2)
        # A normal exit removes the log; the launcher does not bring it back.
        wait_for(lambda: not os.path.exists(run.log_path) or None, what="log removal")
        self.assertFalse(os.path.exists(run.log_path))
        self.assertFalse(os.listdir(run.ftp))

    def test_without_network_only_goodbye_goes_out(self):
        run = self.run_case("3", network=False)
        run.start()
        run.wait_log("GetMessage Complete! Message is : DisableNetwork")
        run.wait_log("Start to set UI")
        main = wait_for(lambda: window("TARVIK DASHCAM"), what="main window")
        # A second launcher while this one runs ends at once, without a viewer.
        self.assertEqual(len(viewer_pids(run.home)), 1)
        second = run.start_launcher()
        self.assertEqual(second.wait(TIMEOUT), 0)
        self.assertEqual(len(viewer_pids(run.home)), 1)
        time.sleep(1)
        close_window(main)
        self.assertEqual(run.end(), 0)
        log = run.log()
        self.assertIn(":: [SERVER] Network is disable! so run program here", log)
        self.assertIn(":: [SERVER] Send Message: DisableNetwork", log)
        sent = [l.split("Send Message: ")[1] for l in log.splitlines()
                if ":: [i] Send Message: " in l]
        self.assertEqual(sent, ["HelloLauncher", "GoodbyeLauncher"])
        received = [l.split("Recv Message: ")[1] for l in log.splitlines()
                    if ":: [SERVER] Recv Message: " in l]
        self.assertEqual(received[0], "HelloLauncher")
        self.assertTrue(set(received) <= {"HelloLauncher", "GoodbyeLauncher"}, received)

    def test_killed_viewer_uploads_the_log_only_when_allowed(self):
        for agreement, uploads in (("5", True), ("1", False)):
            with self.subTest(agreement=agreement):
                run = self.run_case(agreement, version="1.0.6")
                run.start()
                run.wait_log("Start to set UI")
                pids = wait_for(lambda: viewer_pids(run.home), what="viewer")
                os.kill(pids[0], signal.SIGKILL)
                self.assertEqual(run.end(), 0)
                log = run.log()
                self.assertIn(":: [SERVER] process is finished cause it Crashed", log)
                packages = [f for f in os.listdir(run.ftp) if f.endswith("_log.zip")]
                self.assertEqual(len(packages), 1 if uploads else 0)
                if uploads:
                    self.assertIn(":: [SERVER] file upload complete to ftp", log)
                    with gzip.open(os.path.join(run.ftp, packages[0])) as package:
                        content = package.read()
                    with open(run.log_path, "rb") as whole:
                        self.assertTrue(whole.read().startswith(content))
                    self.assertIn(b":: [i] Start to set UI", content)


if __name__ == "__main__":
    PROGRAM_DIR, SHOTS = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
