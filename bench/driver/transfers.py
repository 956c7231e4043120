"""File transfers and their references: tavlo-cli against the device
simulator, a raw copy over one TCP connection, md5sum."""

import os
import re
import shutil

from common import (BenchError, Programs, StampedRun, cpu_seconds_of, md5_of, peak_rss_kib,
                    settle, wait_for_line)

UPLOAD_FOLDER = "/Tavlo/上传/"
BLOCK = 262144  # the client's block size for uploads and downloads
CHUNK = 4096  # the download server's chunk size


def progress_done(name):
    """The progress line tavlo-cli prints when the data has all moved."""
    return lambda text: text == name + ": 100%"


class TransferResult:
    def __init__(self, run, name, device_cpu_seconds):
        self.seconds = run.seconds  # end to end: program start to its end
        self.data_seconds = run.stamp_of(progress_done(name))  # start to the last byte
        self.rss_kib = peak_rss_kib(run.stderr)
        self.cpu_seconds = run.cpu_seconds  # the client's processor time
        self.device_cpu_seconds = device_cpu_seconds

    def record(self, kind):
        return {kind + "_seconds": self.seconds, kind + "_data_seconds": self.data_seconds,
                kind + "_rss_kib": self.rss_kib, kind + "_cpu_seconds": self.cpu_seconds,
                kind + "_device_cpu_seconds": self.device_cpu_seconds}


class RawCopy:
    """tavlo-bench-rawcopy: receiver started first, the sender timed from its
    start to its end (it ends once the receiver wrote the last byte)."""

    def __init__(self, bin_dir, programs, run_in=lambda side, cmd: cmd):
        self.program = os.path.join(bin_dir, "tavlo-bench-rawcopy")
        self.programs = programs
        self.run_in = run_in  # wraps a command for the sending or receiving side

    def copy(self, address, path, block, out, log_dir, poll_each=False):
        log = os.path.join(log_dir, "rawcopy-receive.log")
        receiver = self.programs.start(
            self.run_in("receiver", [self.program, "receive", address, out]), log)
        port = wait_for_line(log, "listening ", 20, receiver).split()[1]
        command = [self.program, "send", address, port, path, str(block)]
        if poll_each:
            command.append("--poll-each")
        settle()
        run = StampedRun(self.run_in("sender", command))
        code = run.finish(600)
        receiver.wait(timeout=60)
        size = os.path.getsize(path)
        if code != 0 or receiver.returncode != 0 or os.path.getsize(out) != size:
            raise BenchError("raw copy of %s failed: %s" % (path, run.stderr.strip()))
        os.remove(out)
        return run.seconds


class LoopbackTransfers:
    """Uploads and downloads through tavlo-cli, one simulated device per
    kind of run, all on loopback addresses."""

    def __init__(self, bin_dir, work):
        self.bin_dir = bin_dir
        self.cli = os.path.join(bin_dir, "tavlo-cli")
        self.sim = os.path.join(bin_dir, "tavlo-device-sim")
        self.work = work
        self.programs = Programs()
        self.raw = RawCopy(bin_dir, self.programs)
        self.devices = {}
        os.makedirs(os.path.join(work, "data"), exist_ok=True)
        os.makedirs(os.path.join(work, "down"), exist_ok=True)

    def close(self):
        self.programs.close()

    def start_device(self, name, address, options=()):
        store = os.path.join(self.work, name + "-store")
        log = os.path.join(self.work, name + ".log")
        process = self.programs.start(
            [self.sim, "--quiet", "--address", address, "--store", store] + list(options), log)
        wait_for_line(log, "listening " + address + " ", 30, process)
        self.devices[name] = (address, store, log, process.pid)

    def _cli(self, device, arguments, cwd, timeout=900):
        """Runs tavlo-cli; (run, exit code, the device's processor seconds)."""
        pid = self.devices[device][3]
        settle()
        device_cpu = cpu_seconds_of(pid)
        run = StampedRun([self.cli, "--data-dir", os.path.join(self.work, "data")] + arguments +
                         ["--stats"], cwd=cwd)
        code = run.finish(timeout)
        return run, code, cpu_seconds_of(pid) - device_cpu

    def upload(self, device, path, expected_md5):
        address, store, _, _ = self.devices[device]
        name = os.path.basename(path)
        run, code, device_cpu = self._cli(device, ["--device", address, "send", name],
                                          os.path.dirname(path))
        stored = os.path.join(store, "normal", UPLOAD_FOLDER.strip("/"), name)
        if code != 0:
            raise BenchError("upload of %s failed (exit code %d): %s" %
                             (name, code, run.stderr.strip()))
        if md5_of(stored) != expected_md5:
            raise BenchError("the device's copy of %s differs from the source" % name)
        return TransferResult(run, name, device_cpu)

    def download(self, device, name, expected_md5):
        address = self.devices[device][0]
        target = os.path.join(self.work, "down", name)
        run, code, device_cpu = self._cli(
            device, ["--device", address, "get", UPLOAD_FOLDER + name, name],
            os.path.dirname(target))
        if code != 0:
            raise BenchError("download of %s failed (exit code %d): %s" %
                             (name, code, run.stderr.strip()))
        if md5_of(target) != expected_md5:
            raise BenchError("the downloaded copy of %s differs from the source" % name)
        os.remove(target)
        return TransferResult(run, name, device_cpu)

    def cuts_seen(self, device, name):
        """How often the device cut a connection of this file."""
        log = self.devices[device][2]
        pattern = re.compile(r"^cut .*%s session=" % re.escape(name))
        with open(log, encoding="utf-8", errors="replace") as f:
            return sum(1 for line in f if pattern.match(line))

    def forget(self, device, name):
        store = self.devices[device][1]
        stored = os.path.join(store, "normal", UPLOAD_FOLDER.strip("/"), name)
        if os.path.exists(stored):
            os.remove(stored)

    def raw_copy(self, address, path, block):
        return self.raw.copy(address, path, block, os.path.join(self.work, "raw.out"),
                             self.work)


def remove_tree(path):
    shutil.rmtree(path, ignore_errors=True)
