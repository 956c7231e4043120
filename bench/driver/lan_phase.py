"""The parts of the benchmark that need the private test network; run by
tests/harness/with-lan.sh (which sets LAN_SH and removes the network after).

  lan_phase.py peer CONFIG_JSON RESULT_JSON
      PC A (10.77.0.1, tavlo-cli offer) sends files to PC B (10.77.0.2,
      tavlo-cli receive --yes), beside a raw copy between the same two
      namespaces and md5sum of the file.
  lan_phase.py discovery CONFIG_JSON RESULT_JSON
      one simulated device in each device namespace; tavlo-cli discover in
      the client's, several times.
"""

import json
import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from common import (BenchError, Programs, StampedRun, load_average, make_file, md5_of,
                    md5sum, note, peak_rss_kib, settle, wait_for_line)
from transfers import BLOCK, CHUNK, RawCopy, progress_done

LAN_SH = os.environ.get("LAN_SH", "")
PC_A, PC_B = "10.77.0.1", "10.77.0.2"


def inside(namespace, command):
    return [LAN_SH, "x", namespace] + command


class PeerRuns:
    def __init__(self, config):
        self.bin = config["bin"]
        self.work = config["work"]
        self.cli = os.path.join(self.bin, "tavlo-cli")
        self.programs = Programs()
        sides = {"sender": "cli", "receiver": "dev1"}
        self.raw = RawCopy(self.bin, self.programs,
                           lambda side, command: inside(sides[side], command))
        for folder in ("a", "b", "b/in"):
            os.makedirs(os.path.join(self.work, folder), exist_ok=True)

    def offer(self, path, expected_md5):
        name = os.path.basename(path)
        receiver = StampedRun(inside("dev1", [
            self.cli, "--data-dir", os.path.join(self.work, "b", "data"), "receive", "--yes",
            "--dir", os.path.join(self.work, "b", "in"), "--stats"]))
        failure = None
        try:
            if not receiver.wait_for(lambda t: t.startswith("receiving into"), 30):
                raise BenchError("tavlo-cli receive did not start: " + receiver.stderr)
            settle()
            sender = StampedRun(inside("cli", [
                self.cli, "--data-dir", os.path.join(self.work, "a", "data"), "offer", path,
                "--device", PC_B, "--wait", "900", "--stats"]))
            code = sender.finish(1000)
            if code != 0:
                raise BenchError("offer of %s failed (exit code %d): %s" %
                                 (name, code, sender.stderr.strip()))
            if not receiver.wait_for(lambda t: t.startswith("received " + name + " from"), 60):
                raise BenchError("the receiving PC did not report %s:\n%s" %
                                 (name, receiver.text()[-2000:]))
        except BenchError as error:
            failure = error
        # Ending, it writes its history row: on a busy disk that can take a while.
        stopping = time.monotonic()
        receiver.process.terminate()
        try:
            receiver.finish(300)
        except BenchError as error:
            failure = failure or error
        exit_seconds = time.monotonic() - stopping
        if failure:
            raise failure
        received = os.path.join(self.work, "b", "in", name)
        if md5_of(received) != expected_md5:
            raise BenchError("the receiving PC's copy of %s differs" % name)
        os.remove(received)
        return {"seconds": sender.seconds, "data_seconds": sender.stamp_of(progress_done(name)),
                "sender_rss_kib": peak_rss_kib(sender.stderr),
                "receiver_rss_kib": peak_rss_kib(receiver.stderr),
                "sender_cpu_seconds": sender.cpu_seconds,
                "receiver_cpu_seconds": receiver.cpu_seconds,
                "receiver_exit_seconds": exit_seconds}

    def raw_copy(self, path, block, poll_each=False):
        return self.raw.copy(PC_B, path, block, os.path.join(self.work, "b", "raw.out"),
                             self.work, poll_each)

    def run(self, config):
        results = []
        for size in config["sizes"]:
            path = os.path.join(self.work, "a", "peer-%d.bin" % size)
            make_file(path, size, size % 9973)
            expected = md5_of(path)
            for repetition in range(config["repetitions"] if size == max(config["sizes"]) else 1):
                note("PC to PC, %d bytes, run %d" % (size, repetition + 1))
                entry = {"size": size, "repetition": repetition, "load": load_average()}
                entry["raw_block_seconds"] = self.raw_copy(path, BLOCK)
                entry["raw_chunk_seconds"] = self.raw_copy(path, CHUNK)
                entry["raw_chunk_polled_seconds"] = self.raw_copy(path, CHUNK, True)
                entry["md5sum_seconds"], entry["md5sum_cpu_seconds"] = md5sum(path)
                entry.update(self.offer(path, expected))
                results.append(entry)
            os.remove(path)
        return {"runs": results}

    def close(self):
        self.programs.close()


DISCOVERED = re.compile(r"^\[ *([0-9.]+)\] discovered (\S+) ")
SWEEP_END = re.compile(r"^\[ *([0-9.]+)\] sweep-end (\d+)")


class DiscoveryRuns:
    def __init__(self, config):
        self.bin = config["bin"]
        self.work = config["work"]
        self.devices = config["devices"]
        self.programs = Programs()

    def start_devices(self):
        sim = os.path.join(self.bin, "tavlo-device-sim")
        logs = []
        for i in range(1, self.devices + 1):
            log = os.path.join(self.work, "dev%d.log" % i)
            self.programs.start(inside("dev%d" % i, [
                sim, "--quiet", "--name", "Room-%d" % i,
                "--store", os.path.join(self.work, "store%d" % i)]), log)
            logs.append(log)
        for log in logs:
            wait_for_line(log, "listening ", 120)

    def discover(self, seconds):
        run = StampedRun(inside("cli", [
            os.path.join(self.bin, "tavlo-cli"), "--data-dir", os.path.join(self.work, "data"),
            "discover", "--events", "--json", "--wait", str(seconds), "--stats"]))
        code = run.finish(seconds + 60)
        found = {}
        first_sweep = None
        listed = None
        for _, text in run.lines:
            match = DISCOVERED.match(text)
            if match and match.group(2) not in found:
                found[match.group(2)] = float(match.group(1))
            match = SWEEP_END.match(text)
            if match and first_sweep is None:
                first_sweep = int(match.group(2))
            if text.startswith("["):
                try:
                    listed = len(json.loads(text))
                except ValueError:
                    pass
        return {
            "exit_code": code,
            "found": len(found),
            "all_listed_ms": max(found.values()) * 1000 if len(found) >= self.devices else None,
            "first_sweep": first_sweep,
            "listed": listed,
            "rss_kib": peak_rss_kib(run.stderr),
        }

    def run(self, config):
        started = time.monotonic()
        self.start_devices()
        note("%d simulated devices listen (%.1f s)" % (self.devices, time.monotonic() - started))
        runs = []
        for repetition in range(config["repetitions"]):
            runs.append(self.discover(config["wait_seconds"]))
            note("discovery run %d: %d of %d devices" %
                 (repetition + 1, runs[-1]["found"], self.devices))
        return {"devices": self.devices, "runs": runs}

    def close(self):
        self.programs.close()


def main():
    phase, config_text, result_path = sys.argv[1:4]
    config = json.loads(config_text)
    os.makedirs(config["work"], exist_ok=True)
    runner = PeerRuns(config) if phase == "peer" else DiscoveryRuns(config)
    try:
        result = runner.run(config)
    except BenchError as error:
        result = {"error": str(error)}
    finally:
        runner.close()
    with open(result_path, "w") as out:
        json.dump(result, out)
    return 1 if "error" in result else 0


if __name__ == "__main__":
    sys.exit(main())
