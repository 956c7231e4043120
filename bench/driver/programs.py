"""The benchmark programs of bench/: remote input, the JSON codec and the
small operations."""

import json
import os
import subprocess

from common import BenchError, Programs, make_file, median, wait_for_line


def run_json(command, timeout):
    done = subprocess.run(command, capture_output=True, text=True, timeout=timeout)
    if done.returncode != 0:
        raise BenchError("%s failed (exit code %d): %s" %
                         (os.path.basename(command[0]), done.returncode, done.stderr.strip()))
    return json.loads(done.stdout)


def remote_input(bin_dir, quick):
    frames, samples = (20000, 1500) if quick else (200000, 15000)
    return run_json([os.path.join(bin_dir, "tavlo-bench-fingo"), "--frames", str(frames),
                     "--samples", str(samples), "--rounds", "3"], 600)


def json_codec(bin_dir, quick):
    """Median MiB/s of each benchmark over its repetitions, by name."""
    command = [os.path.join(bin_dir, "tavlo-bench-json"), "--benchmark_format=json",
               "--benchmark_enable_random_interleaving=true",
               "--benchmark_repetitions=%d" % (3 if quick else 9),
               "--benchmark_min_time=%s" % ("0.02" if quick else "0.1")]
    report = run_json(command, 600)
    speeds = {}
    for entry in report["benchmarks"]:
        if entry.get("run_type") != "iteration" or "error_occurred" in entry:
            if entry.get("error_occurred"):
                raise BenchError("JSON benchmark %s: %s" % (entry["name"],
                                                           entry.get("error_message")))
            continue
        function, index = entry["run_name"].split("/")
        key = (function, entry.get("label", index))
        speeds.setdefault(key, []).append(entry["bytes_per_second"] / (1 << 20))
    return {"%s %s" % key: median(values) for key, values in speeds.items()}


def small_operations(bin_dir, work, quick):
    """One small upload and a listing of 200 entries, against a device of
    their own on a loopback address."""
    store = os.path.join(work, "ops-store")
    folder = os.path.join(store, "normal", "Pictures")
    os.makedirs(folder, exist_ok=True)
    for i in range(1, 201):
        with open(os.path.join(folder, "会议 照片 %03d.txt" % i), "w") as f:
            f.write("%d\n" % i)
    small = os.path.join(work, "small.bin")
    make_file(small, 4096, 5)
    programs = Programs()
    address = "127.0.0.64"
    try:
        log = os.path.join(work, "ops-sim.log")
        # Not quiet: the device's event lines count the completion polls.
        sim = programs.start([os.path.join(bin_dir, "tavlo-device-sim"), "--address", address,
                              "--store", store], log)
        wait_for_line(log, "listening " + address + " ", 30, sim)
        result = run_json([os.path.join(bin_dir, "tavlo-bench-ops"), "--device", address,
                           "--file", small, "--folder", "/Pictures",
                           "--runs", "3" if quick else "9"], 300)
    finally:
        programs.close()
    with open(log, encoding="utf-8", errors="replace") as f:
        polls = sum(1 for line in f if line.startswith("request query_result "))
    result["polls_per_upload"] = polls / len(result["upload_ms"])
    return result
