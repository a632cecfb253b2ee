"""A CUPS scheduler of the test's own, for the GUI tests that print.

Its configuration, spool, logs and socket live in a fresh folder under /tmp; the program and
the CUPS tools the test runs are pointed at its socket through CUPS_SERVER (and HOME, so that
no lpoptions file of the user's is read). The machine's own CUPS set-up is never read or
touched, and stop() ends only the process start() began.
"""
import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import urllib.parse

import harness

CUPSD = "/usr/sbin/cupsd"
PDF_PPD = "lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd"
MONO_PPD = "lsb/usr/cupsfilters/pxlmono.ppd"


class Unavailable(Exception):
    """cupsd cannot run here; the message says why."""


class PrivateCupsd:
    def __init__(self):
        self.folder = None
        self.proc = None
        self.socket = None

    def start(self):
        # No default printer from the environment, for the tools and the program alike.
        os.environ.pop("LPDEST", None)
        os.environ.pop("PRINTER", None)
        if not os.access(CUPSD, os.X_OK) or not shutil.which("lpadmin"):
            raise Unavailable("cupsd or lpadmin is not installed (cups, cups-client)")
        self.folder = tempfile.mkdtemp(prefix="mekuri-gui-cups-")
        # Filters run as the unprivileged lp user: they must reach the folder and write out/.
        os.chmod(self.folder, 0o755)
        for sub in ("spool", "cache", "state", "tmp", "log", "root", "out"):
            os.mkdir(os.path.join(self.folder, sub), 0o755)
        os.chmod(os.path.join(self.folder, "out"), 0o777)
        self.socket = os.path.join(self.folder, "cups.sock")
        self._write_config()
        log = open(os.path.join(self.folder, "log", "cupsd.out"), "wb")
        self.proc = subprocess.Popen(
            [CUPSD, "-f", "-c", os.path.join(self.folder, "cupsd.conf"), "-s",
             os.path.join(self.folder, "cups-files.conf")],
            stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        log.close()
        def up():
            if self.proc.poll() is not None:
                raise Unavailable("cupsd did not start: " + self._log_tail())
            return self._can_connect()
        if harness.poll(up, 10):
            return
        self.stop()
        raise Unavailable("cupsd did not open its socket: " + self._log_tail())

    def env(self):
        """The environment entries that point a client at this scheduler."""
        return {"CUPS_SERVER": self.socket, "HOME": self.folder}

    def client_env(self):
        environment = dict(os.environ)
        environment.update(self.env())
        return environment

    def run(self, args):
        """Runs a CUPS tool against this scheduler; its output, or raises on failure."""
        r = subprocess.run(args, env=self.client_env(), stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, text=True)
        if r.returncode != 0:
            raise Unavailable("%s failed: %s" % (" ".join(args), r.stdout))
        return r.stdout

    def add_printer(self, name, ppd, output):
        self.run(["lpadmin", "-p", name, "-v", "file://" + self.output_path(output), "-E",
                  "-m", ppd])

    def output_path(self, name):
        return os.path.join(self.folder, "out", name)

    def jobs_done(self):
        """True when the scheduler has no job left to run."""
        r = subprocess.run(["lpstat", "-o"], env=self.client_env(), stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, text=True)
        return r.returncode == 0 and r.stdout.strip() == ""

    def job_state(self, job):
        """The IPP job-state keyword of job number `job` ("completed", "canceled", ...), or
        None when the scheduler does not answer. Asked with ipptool over the socket."""
        uri = "ipp://%s/jobs/%d" % (urllib.parse.quote(self.socket, safe=""), job)
        test = os.path.join(self.folder, "job-state.test")
        with open(test, "w") as f:
            f.write("{ OPERATION Get-Job-Attributes\n"
                    "GROUP operation-attributes-tag\n"
                    "ATTR charset attributes-charset utf-8\n"
                    "ATTR naturalLanguage attributes-natural-language en\n"
                    "ATTR uri job-uri $uri\n"
                    "ATTR keyword requested-attributes job-state\n"
                    "DISPLAY job-state }\n")
        r = subprocess.run(["ipptool", "-t", uri, test], env=self.client_env(),
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        m = re.search(r"job-state \(enum\) = (\S+)", r.stdout)
        return m.group(1) if m else None

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc = None
        if self.folder:
            shutil.rmtree(self.folder, ignore_errors=True)
            self.folder = None

    def _write_config(self):
        d = self.folder
        with open(os.path.join(d, "cupsd.conf"), "w") as f:
            f.write("Listen %s\n" % self.socket)
            f.write("Browsing No\nBrowseLocalProtocols none\nLogLevel warn\nWebInterface No\n"
                    "DefaultAuthType None\nMaxLogSize 0\n"
                    "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                    "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n")
        with open(os.path.join(d, "cups-files.conf"), "w") as f:
            f.write("FileDevice Yes\n")
            for key, sub in (("ServerRoot", "root"), ("RequestRoot", "spool"),
                             ("CacheDir", "cache"), ("StateDir", "state"), ("TempDir", "tmp")):
                f.write("%s %s/%s\n" % (key, d, sub))
            for key, name in (("ErrorLog", "error_log"), ("AccessLog", "access_log"),
                              ("PageLog", "page_log")):
                f.write("%s %s/log/%s\n" % (key, d, name))
            f.write("SystemGroup root\n")

    def _can_connect(self):
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        try:
            s.connect(self.socket)
            return True
        except OSError:
            return False
        finally:
            s.close()

    def _log_tail(self):
        text = ""
        for name in ("cupsd.out", "error_log"):
            try:
                with open(os.path.join(self.folder, "log", name), "rb") as f:
                    text += f.read()[-600:].decode("utf-8", "replace")
            except OSError:
                pass
        return text
