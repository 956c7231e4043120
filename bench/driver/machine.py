"""What the figures were measured on."""

import os
import platform
import subprocess


def _first(path, key):
    try:
        with open(path) as f:
            for line in f:
                if line.startswith(key):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "?"


def _qt_version():
    done = subprocess.run(["dpkg-query", "-W", "-f=${Version}", "libqt5core5a"],
                          capture_output=True, text=True)
    return done.stdout.strip() or "?"


def describe(work):
    memory_kib = int(_first("/proc/meminfo", "MemTotal").split()[0])
    filesystem = subprocess.run(["df", "-PT", work], capture_output=True,
                                text=True).stdout.splitlines()[-1].split()
    return {
        "cpu": _first("/proc/cpuinfo", "model name"),
        "cores": os.cpu_count(),
        "memory_gib": round(memory_kib / (1 << 20), 1),
        "kernel": platform.release(),
        "system": _os_name(),
        "qt": _qt_version(),
        "work_filesystem": "%s (%s)" % (filesystem[1], filesystem[0]) if filesystem else "?",
    }


def _os_name():
    try:
        with open("/etc/os-release") as f:
            for line in f:
                if line.startswith("PRETTY_NAME="):
                    return line.split("=", 1)[1].strip().strip('"')
    except OSError:
        pass
    return "?"
