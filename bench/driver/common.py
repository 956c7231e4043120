"""Helpers every part of the benchmark uses: programs, timing, files, figures."""

import hashlib
import os
import random
import signal
import statistics
import subprocess
import sys
import threading
import time

MIB = 1 << 20
GIB = 1 << 30


class BenchError(Exception):
    """Something is broken (a transfer failed, a program did not start)."""


def note(text):
    print("bench: " + text, file=sys.stderr, flush=True)


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def human_size(size):
    if size >= GIB:
        return "%g GiB" % (size / GIB)
    if size >= MIB:
        return "%g MiB" % (size / MIB)
    return "%d KiB" % (size // 1024)


def make_file(path, size, seed):
    """Repeatable pseudo-random content (incompressible, like real files)."""
    rng = random.Random(seed)
    with open(path, "wb") as out:
        while size > 0:
            n = min(size, 16 * MIB)
            out.write(rng.randbytes(n))
            size -= n


def md5_of(path):
    digest = hashlib.md5()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(4 * MIB), b""):
            digest.update(block)
    return digest.hexdigest()


class StampedRun:
    """Runs a program, stamping each line of its standard output with the
    seconds since the start; keeps standard error."""

    def __init__(self, command, cwd=None, env=None):
        self.command = command
        self.lines = []  # (seconds, text)
        self.stderr = ""
        self.start = time.monotonic()
        self.process = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, stdin=subprocess.DEVNULL,
                                        text=True, errors="replace")
        self._readers = [threading.Thread(target=self._stamp_lines, daemon=True),
                         threading.Thread(target=self._keep_errors, daemon=True)]
        for reader in self._readers:
            reader.start()

    def _stamp_lines(self):
        for line in self.process.stdout:
            self.lines.append((time.monotonic() - self.start, line.rstrip("\n")))

    def _keep_errors(self):
        self.stderr = self.process.stderr.read()

    def finish(self, timeout):
        """Waits for the end; the exit code. Kills the program after timeout.
        Keeps the processor seconds the program used (user + system)."""
        deadline = self.start + timeout
        while True:
            pid, status, usage = os.wait4(self.process.pid, os.WNOHANG)
            if pid == self.process.pid:
                break
            if time.monotonic() > deadline:
                self.process.kill()
                os.wait4(self.process.pid, 0)
                self.process.returncode = -9
                raise BenchError("%s did not end within %d s" % (" ".join(self.command), timeout))
            time.sleep(0.002)
        self.seconds = time.monotonic() - self.start
        self.cpu_seconds = usage.ru_utime + usage.ru_stime
        self.process.returncode = os.waitstatus_to_exitcode(status)
        for reader in self._readers:
            reader.join()
        return self.process.returncode

    def stamp_of(self, predicate):
        for seconds, text in list(self.lines):
            if predicate(text):
                return seconds
        return None

    def wait_for(self, predicate, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.stamp_of(predicate) is not None:
                return True
            if self.process.poll() is not None:
                break
            time.sleep(0.01)
        return self.stamp_of(predicate) is not None

    def text(self):
        return "\n".join(t for _, t in self.lines)


def peak_rss_kib(stderr):
    for line in stderr.splitlines():
        if line.startswith("tavlo-cli: peak-rss-kib "):
            return int(line.split()[-1])
    return None


def wait_for_line(path, prefix, timeout, process=None):
    """Waits until the file has a line starting with prefix; returns it."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            with open(path, encoding="utf-8", errors="replace") as f:
                for line in f:
                    if line.startswith(prefix):
                        return line.strip()
        except FileNotFoundError:
            pass
        if process is not None and process.poll() is not None:
            break
        time.sleep(0.02)
    log = open(path, errors="replace").read() if os.path.exists(path) else "(no output)"
    raise BenchError("no line '%s' in %s within %d s:\n%s" % (prefix, path, timeout, log))


class Programs:
    """Started background programs; all are stopped on close()."""

    def __init__(self):
        self.processes = []

    def start(self, command, log_path, cwd=None):
        log = open(log_path, "w")
        process = subprocess.Popen(command, cwd=cwd, stdout=log, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL)
        log.close()
        self.processes.append(process)
        return process

    def stop(self, process):
        if process.poll() is None:
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def close(self):
        for process in self.processes:
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
        for process in self.processes:
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        self.processes = []


def load_average():
    """The machine's one-minute load average (other work on it included)."""
    with open("/proc/loadavg") as f:
        return float(f.read().split()[0])


def settle():
    """Writes dirty pages out before a timed step, so that one step's disk
    writes are not flushed during the next one."""
    os.sync()


def md5sum(path):
    """The reference hash, coreutils md5sum over the file: (seconds,
    processor seconds)."""
    settle()
    run = StampedRun(["md5sum", path])
    if run.finish(600) != 0:
        raise BenchError("md5sum failed: " + run.stderr)
    return run.seconds, run.cpu_seconds


def md5sum_seconds(path):
    return md5sum(path)[0]


def cpu_seconds_of(pid):
    """Processor seconds (user + system) a running process has used so far."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
