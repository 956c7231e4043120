"""The benchmark driver behind scripts/bench: runs every measurement beside
its reference, prints the table, writes results.json and the plot into the
output folder and, with --docs, the figures into docs/performance.md."""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import machine
import programs
import report
from common import GIB, MIB, BenchError, load_average, make_file, md5_of, md5sum, note
from transfers import BLOCK, LoopbackTransfers

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PARTS = ["transfers", "peer", "discovery", "input", "json", "ops"]


def options():
    parser = argparse.ArgumentParser(prog="scripts/bench")
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--bin", default=os.path.join(ROOT, "build", "bin"))
    parser.add_argument("--out", default=os.path.join(ROOT, "build", "bench-results"))
    parser.add_argument("--docs", action="store_true")
    parser.add_argument("--only", default=",".join(PARTS))
    parser.add_argument("--repetitions", type=int, default=0)
    parser.add_argument("--devices", type=int, default=0)
    parser.add_argument("--sizes", default="", help="file sizes in MiB, comma-separated")
    parser.add_argument("--command", default="scripts/bench")
    parser.add_argument("--from", dest="source", default="",
                        help="print (and with --docs write) an earlier run's results.json")
    return parser.parse_args()


class Settings:
    def __init__(self, args):
        self.quick = args.quick
        self.sizes = [1 * MIB, 4 * MIB, 16 * MIB] if args.quick else \
            [1 * MIB, 4 * MIB, 16 * MIB, 64 * MIB, 256 * MIB, 1 * GIB]
        if args.sizes:
            self.sizes = [int(float(mib) * MIB) for mib in args.sizes.split(",")]
        self.repetitions = args.repetitions or (1 if args.quick else 3)
        self.devices = args.devices or (20 if args.quick else 200)
        self.discovery_repetitions = 2 if args.quick else 5
        self.parts = args.only.split(",")


def loopback_transfers(settings, bin_dir, work):
    transfers = LoopbackTransfers(bin_dir, work)
    runs = []
    resumed = None
    try:
        transfers.start_device("plain", "127.0.0.61")
        for size in settings.sizes:
            path = os.path.join(work, "bench-%d.bin" % size)
            name = os.path.basename(path)
            make_file(path, size, size % 7919)
            expected = md5_of(path)
            count = settings.repetitions if size == max(settings.sizes) else 1
            for repetition in range(count):
                note("loopback, %d bytes, run %d of %d" % (size, repetition + 1, count))
                entry = {"size": size, "repetition": repetition, "load": load_average(),
                         "raw_block_seconds": transfers.raw_copy("127.0.0.62", path, BLOCK)}
                entry["md5sum_seconds"], entry["md5sum_cpu_seconds"] = md5sum(path)
                entry.update(transfers.upload("plain", path, expected).record("upload"))
                entry.update(transfers.download("plain", name, expected).record("download"))
                transfers.forget("plain", name)
                runs.append(entry)
            if size == max(settings.sizes):
                resumed = resumed_transfers(transfers, path, name, expected)
            os.remove(path)
    finally:
        transfers.close()
    return {"runs": runs, "resumed": resumed}


def resumed_transfers(transfers, path, name, expected):
    """Both ways once more, each cut twice by the device (two resumes)."""
    size = os.path.getsize(path)
    note("loopback, %d bytes, cut twice each way" % size)
    transfers.start_device("cutting", "127.0.0.63",
                           ["--drop-after", str(size * 28 // 100), "--drop-times", "2"])
    result = {"size": size}
    result.update(transfers.upload("cutting", path, expected).record("upload"))
    result.update(transfers.download("cutting", name, expected).record("download"))
    cuts = transfers.cuts_seen("cutting", name)
    transfers.forget("cutting", name)
    if cuts != 4:
        raise BenchError("the cutting device cut %d connections, not 4" % cuts)
    return result


def in_private_network(phase, config, devices, work):
    """Runs one phase of lan_phase.py inside a private network made for it;
    None when no such network can be made here."""
    result_path = os.path.join(work, phase + "-result.json")
    command = [os.path.join(ROOT, "tests", "harness", "with-lan.sh"), "--devices", str(devices),
               "--", sys.executable, os.path.join(os.path.dirname(__file__), "lan_phase.py"),
               phase, json.dumps(config), result_path]
    done = subprocess.run(command, stdout=subprocess.PIPE, text=True)
    if done.returncode == 77:
        note("skipped (%s)" % done.stdout.strip())
        return None
    try:
        with open(result_path) as f:
            result = json.load(f)
    except (OSError, ValueError):
        raise BenchError("the %s phase failed (exit code %d): %s" %
                         (phase, done.returncode, done.stdout.strip()))
    if "error" in result:
        raise BenchError(result["error"])
    return result


def show(results, args):
    """Prints the table, makes the plot and with --docs writes them into
    docs/performance.md; the exit code."""
    rows = report.rows(results)
    print(report.table(results, rows))
    plot = report.plot(results, args.out)
    if plot:
        print("plot: " + plot)
    failed = results.get("failed")
    if args.docs and not failed:
        report.write_docs(results, rows, plot, os.path.join(ROOT, "docs"))
        print("wrote docs/performance.md and its plot")
    if failed:
        print("bench: FAILED: " + failed)
        return 1
    print("bench: all measurements done in %.0f s (goals are reported, never enforced)" %
          results["seconds"])
    return 0


def main():
    args = options()
    os.makedirs(args.out, exist_ok=True)
    if args.source:
        with open(args.source) as f:
            return show(json.load(f), args)
    args.bin = os.path.abspath(args.bin)  # programs run in other folders
    settings = Settings(args)
    work = tempfile.mkdtemp(prefix="tavlo-bench.", dir=os.environ.get("TMPDIR", "/tmp"))
    results = {"quick": settings.quick, "command": args.command,
               "started": time.strftime("%Y-%m-%d %H:%M:%S %Z"),
               "machine": machine.describe(work), "load": {"before": load_average()}}
    started = time.monotonic()
    failed = None
    try:
        if "transfers" in settings.parts:
            results["loopback"] = loopback_transfers(settings, args.bin, work)
        if "peer" in settings.parts:
            note("PC to PC in the private network")
            results["peer"] = in_private_network(
                "peer", {"bin": args.bin, "work": os.path.join(work, "peer"),
                         "sizes": settings.sizes, "repetitions": settings.repetitions}, 1, work)
        if "discovery" in settings.parts:
            note("discovery of %d devices in the private network" % settings.devices)
            results["discovery"] = in_private_network(
                "discovery", {"bin": args.bin, "work": os.path.join(work, "discovery"),
                              "devices": settings.devices, "wait_seconds": 4,
                              "repetitions": settings.discovery_repetitions},
                settings.devices, work)
        if "input" in settings.parts:
            note("remote input")
            results["input"] = programs.remote_input(args.bin, settings.quick)
        if "json" in settings.parts:
            note("JSON codec")
            results["json"] = programs.json_codec(args.bin, settings.quick)
        if "ops" in settings.parts:
            note("small operations")
            results["ops"] = programs.small_operations(args.bin, work, settings.quick)
    except (BenchError, subprocess.TimeoutExpired) as error:
        failed = str(error)
    except Exception:  # a fault of the bench itself: say where
        failed = traceback.format_exc()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    results["load"]["after"] = load_average()
    results["seconds"] = time.monotonic() - started
    if failed:
        results["failed"] = failed

    with open(os.path.join(args.out, "results.json"), "w") as out:
        json.dump(results, out, indent=1)
    return show(results, args)


if __name__ == "__main__":
    sys.exit(main())
