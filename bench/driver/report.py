"""The table, the plot and the generated part of docs/performance.md."""

import os
import shutil
import subprocess

from common import human_size, median

MB = 1e6
RSS_GOAL_KIB = 64 * 1024
RATIO_GOAL = 0.80
LATENCY_GOAL_US = 2000
LISTED_GOAL_MS = 1000


def _row(section, figure, value, reference="", ratio=None, goal="", met=None):
    status = "" if met is None else ("met" if met else "MISSED")
    return {"section": section, "figure": figure, "value": value, "reference": reference,
            "ratio": ratio, "goal": goal, "status": status}


def _rate(size, seconds):
    return "%.0f MB/s" % (size / seconds / MB) if seconds else "-"


def _largest(runs):
    size = max(r["size"] for r in runs)
    return size, [r for r in runs if r["size"] == size]


def _limit(run):
    return max(run["raw_block_seconds"], run["md5sum_seconds"])


def _transfer_rows(section, size, runs, kind, label):
    rows = []
    for phase, key, goal in (("data moved", kind + "_data_seconds", True),
                             ("end to end", kind + "_seconds", False)):
        ratio = median([_limit(r) / r[key] for r in runs if r.get(key)])
        seconds = median([r.get(key) for r in runs])
        limit = median([_limit(r) for r in runs])
        rows.append(_row(section, "%s %s, %s" % (label, human_size(size), phase),
                         _rate(size, seconds), "limit " + _rate(size, limit), ratio,
                         ">= %.2f" % RATIO_GOAL if goal else "",
                         ratio >= RATIO_GOAL if goal and ratio else None))
    rows.append(_cpu_row(section, size, runs, "%s %s" % (label, human_size(size)),
                         kind + "_cpu_seconds", kind + "_device_cpu_seconds", "simulator"))
    rows.append(_bound_row(section, size, runs, kind + "_cpu_seconds",
                           kind + "_device_cpu_seconds"))
    return rows


def _bound_row(section, size, runs, own_key, other_key, cores=None):
    """How fast the transfer could be at best here: both ends' processor
    time spread evenly over the machine's cores."""
    cores = cores or os.cpu_count()
    bounds = [r[own_key] + r[other_key] for r in runs
              if r.get(own_key) is not None and r.get(other_key) is not None]
    if not bounds:
        return _row(section, "  bound on %d cores" % cores, "-")
    seconds = median(bounds) / cores
    limit = median([_limit(r) for r in runs])
    return _row(section, "  best possible with both ends on %d cores" % cores,
                _rate(size, seconds), "limit " + _rate(size, limit), limit / seconds)


def _cpu_row(section, size, runs, label, own_key, other_key, other_name):
    """Processor seconds per GiB of both sides beside md5sum's: load on the
    machine stretches wall-clock times, much less these."""
    per_gib = (1 << 30) / size
    own = median([r.get(own_key) for r in runs])
    other = median([r.get(other_key) for r in runs])
    hashing = median([r.get("md5sum_cpu_seconds") for r in runs])
    if own is None or hashing is None:
        return _row(section, label + ", processor time", "-")
    value = "%.2f s/GiB" % (own * per_gib)
    if other is not None:
        value = "%.2f + %.2f s/GiB" % (own * per_gib, other * per_gib)
    return _row(section, "%s, processor time (client + %s)" % (label, other_name), value,
                "md5sum %.2f s/GiB" % (hashing * per_gib), hashing / own)


def _memory_row(section, figure, values):
    values = [v for v in values if v]
    if not values:
        return _row(section, figure, "-", goal="< 64 MiB", met=False)
    peak = max(values)
    return _row(section, figure, "%.1f MiB" % (peak / 1024), goal="< 64 MiB",
                met=peak < RSS_GOAL_KIB)


def loopback_rows(loopback):
    section = "tavlo-cli and the device simulator on loopback"
    size, runs = _largest(loopback["runs"])
    rows = _transfer_rows(section, size, runs, "upload", "upload")
    rows += _transfer_rows(section, size, runs, "download", "download")
    rows.append(_row(section, "reference: raw copy, 256 KiB blocks",
                     _rate(size, median([r["raw_block_seconds"] for r in runs]))))
    rows.append(_row(section, "reference: md5sum",
                     _rate(size, median([r["md5sum_seconds"] for r in runs]))))
    resumed = loopback.get("resumed")
    if resumed:
        limit = median([_limit(r) for r in runs])
        for kind in ("upload", "download"):
            for phase, key in (("data moved", "_data_seconds"), ("end to end", "_seconds")):
                seconds = resumed[kind + key]
                rows.append(_row(section, "%s %s, cut twice, %s" %
                                 (kind, human_size(resumed["size"]), phase),
                                 _rate(resumed["size"], seconds), "limit " + _rate(size, limit),
                                 limit / seconds if seconds else None))
    rows.append(_memory_row("peak memory of the client", "tavlo-cli send (all sizes)",
                            [r["upload_rss_kib"] for r in loopback["runs"]] +
                            ([resumed["upload_rss_kib"]] if resumed else [])))
    rows.append(_memory_row("peak memory of the client", "tavlo-cli get (all sizes)",
                            [r["download_rss_kib"] for r in loopback["runs"]] +
                            ([resumed["download_rss_kib"]] if resumed else [])))
    return rows


def peer_rows(peer):
    section = "PC to PC in the private network (4096-byte chunks)"
    size, runs = _largest(peer["runs"])
    rows = []
    for phase, key, goal in (("data moved", "data_seconds", True),
                             ("end to end", "seconds", False)):
        ratio = median([_limit(r) / r[key] for r in runs if r.get(key)])
        rows.append(_row(section, "offer %s, %s" % (human_size(size), phase),
                         _rate(size, median([r[key] for r in runs])),
                         "limit " + _rate(size, median([_limit(r) for r in runs])), ratio,
                         ">= %.2f" % RATIO_GOAL if goal else "",
                         ratio >= RATIO_GOAL if goal and ratio else None))
    rows.append(_cpu_row(section, size, runs, "offer %s" % human_size(size),
                         "sender_cpu_seconds", "receiver_cpu_seconds", "receiving PC"))
    rows.append(_bound_row(section, size, runs, "sender_cpu_seconds", "receiver_cpu_seconds"))
    block = median([r["raw_block_seconds"] for r in runs])
    for figure, key in (("reference: raw copy, 256 KiB blocks", "raw_block_seconds"),
                        ("raw copy, 4096-byte blocks", "raw_chunk_seconds"),
                        ("raw copy, 4096 bytes, poll before each", "raw_chunk_polled_seconds")):
        seconds = median([r[key] for r in runs])
        rows.append(_row(section, figure, _rate(size, seconds),
                         "" if key == "raw_block_seconds" else "256 KiB blocks",
                         None if key == "raw_block_seconds" else block / seconds))
    rows.append(_row(section, "reference: md5sum",
                     _rate(size, median([r["md5sum_seconds"] for r in runs]))))
    rows.append(_memory_row("peak memory of the client", "tavlo-cli offer (sending PC)",
                            [r["sender_rss_kib"] for r in peer["runs"]]))
    rows.append(_memory_row("peak memory of the client", "tavlo-cli receive (receiving PC)",
                            [r["receiver_rss_kib"] for r in peer["runs"]]))
    return rows


def discovery_rows(discovery):
    section = "discovery in the private network"
    n = discovery["devices"]
    runs = discovery["runs"]
    first = [r["first_sweep"] or 0 for r in runs]
    listed_ms = [r["all_listed_ms"] for r in runs]
    all_found = all(r["found"] == n for r in runs)
    rows = [
        _row(section, "devices found by the first sweep (%d runs)" % len(runs),
             "%d of %d (worst %d)" % (median(first), n, min(first)), goal="all",
             met=min(first) == n),
        _row(section, "start to all %d listed" % n,
             "%.0f ms (worst %s)" % (median(listed_ms), "%.0f" % max(listed_ms)
                                      if all_found else "never")
             if all_found or any(listed_ms) else "never", goal="<= %d ms" % LISTED_GOAL_MS,
             met=all_found and max(listed_ms) <= LISTED_GOAL_MS),
        _memory_row("peak memory of the client", "tavlo-cli discover, %d devices listed" % n,
                    [r["rss_kib"] for r in runs]),
    ]
    return rows


def input_rows(data):
    section = "remote input on loopback (counting back end)"
    server = median(data["server_fps"])
    reference = median(data["reference_fps"])
    s = data["server_latency_us"]
    r = data["reference_latency_us"]
    return [
        _row(section, "frames decoded and dispatched", "%.0f /s" % server,
             "bare receiver %.0f /s" % reference, server / reference),
        _row(section, "latency, median", "%.0f us" % s["median"], "bare receiver %.0f us" %
             r["median"], s["median"] / r["median"]),
        _row(section, "latency, 99th percentile", "%.0f us" % s["p99"],
             "bare receiver %.0f us" % r["p99"], s["p99"] / r["p99"],
             "< %d us" % LATENCY_GOAL_US, s["p99"] < LATENCY_GOAL_US),
    ]


def json_rows(speeds):
    section = "JSON codec (MiB/s of UTF-8; reference: Qt's QJsonDocument)"
    rows = []
    for what in ("Parse", "Serialize"):
        for message in ("device_answer", "upload_request", "completion_poll",
                        "listing_datagram"):
            codec = speeds.get("codec%s %s" % (what, message))
            qt = speeds.get("reference%s %s" % (what, message))
            if codec is None or qt is None:
                continue
            rows.append(_row(section, "%s %s" % (what.lower(), message.replace("_", " ")),
                             "%.1f MiB/s" % codec, "Qt %.1f MiB/s" % qt, codec / qt))
    return rows


def ops_rows(ops):
    section = "small operations on loopback"
    full = median(ops["upload_ms"])
    fixed = ops["polls_per_upload"] * ops["poll_pause_ms"]
    query = median(ops["query_ms"])
    return [
        _row(section, "upload of 4 KiB, end to end", "%.0f ms" % full,
             "one UDP exchange %.2f ms" % query),
        _row(section, "  of which fixed waits (%g polls, %d ms before each)" %
             (ops["polls_per_upload"], ops["poll_pause_ms"]), "%.0f ms" % fixed),
        _row(section, "  the rest", "%.1f ms" % (full - fixed)),
        _row(section, "listing of %d entries" % ops["listing_entries"],
             "%.1f ms" % median(ops["listing_ms"]), "one UDP exchange %.2f ms" % query,
             None, "(no fixed waits)"),
    ]


def rows(results):
    table = []
    for key, make in (("loopback", loopback_rows), ("peer", peer_rows),
                      ("discovery", discovery_rows), ("input", input_rows),
                      ("json", json_rows), ("ops", ops_rows)):
        if results.get(key):
            table += make(results[key])
    # Memory rows of every section, gathered at the end.
    memory = [r for r in table if r["section"] == "peak memory of the client"]
    return [r for r in table if r["section"] != "peak memory of the client"] + memory


def _machine_line(results):
    m = results["machine"]
    return ("%s, %d cores, %.0f GiB; %s, kernel %s, Qt %s; files on %s" %
            (m["cpu"], m["cores"], m["memory_gib"], m["system"], m["kernel"], m["qt"],
             m["work_filesystem"]))


def _load_line(results):
    loads = [results["load"]["before"], results["load"]["after"]]
    for key in ("loopback", "peer"):
        loads += [r["load"] for r in (results.get(key) or {}).get("runs", []) if "load" in r]
    return ("load average (1 min, other work on the machine included) %.2f to %.2f "
            "during the run of %.0f s" % (min(loads), max(loads), results.get("seconds", 0)))


def table(results, table_rows):
    lines = ["", "Tavlo benchmarks%s, %s" % (" (quick)" if results["quick"] else "",
                                             results["started"]),
             _machine_line(results), _load_line(results) + "; MB = 10^6 bytes"]
    section = None
    for r in table_rows:
        if r["section"] != section:
            section = r["section"]
            lines.append("")
            lines.append(section)
            lines.append("  %-54s %18s %24s %6s %9s %6s" %
                         ("figure", "measured", "reference", "ratio", "goal", ""))
        ratio = "%.2f" % r["ratio"] if r["ratio"] is not None else ""
        lines.append("  %-54s %18s %24s %6s %9s %6s" %
                     (r["figure"], r["value"], r["reference"], ratio, r["goal"], r["status"]))
    return "\n".join(lines)


def markdown_table(table_rows):
    lines = []
    section = None
    for r in table_rows:
        if r["section"] != section:
            section = r["section"]
            lines += ["", "**%s**" % section, "",
                      "| figure | measured | reference | ratio | goal | |",
                      "|---|---:|---:|---:|---|---|"]
        ratio = "%.2f" % r["ratio"] if r["ratio"] is not None else ""
        figure = r["figure"].strip()
        if r["figure"].startswith(" "):  # a line that belongs to the one above
            figure = "&nbsp;&nbsp;&nbsp;" + figure
        lines.append("| %s | %s | %s | %s | %s | %s |" %
                     (figure, r["value"], r["reference"], ratio, r["goal"], r["status"]))
    return "\n".join(lines)


def _per_size(runs, key):
    """(size, median MB/s) for every size that has the figure."""
    points = []
    for size in sorted({r["size"] for r in runs}):
        seconds = median([r.get(key) for r in runs if r["size"] == size])
        if seconds:
            points.append((size, size / seconds / MB))
    return points


def plot(results, out_dir):
    """Throughput against file size as an SVG made by gnuplot; None without
    gnuplot or transfer figures."""
    series = []
    loopback = results.get("loopback", {}).get("runs", [])
    peer = (results.get("peer") or {}).get("runs", [])
    for title, runs, key, style in (
            ("upload, end to end", loopback, "upload_seconds", "lc rgb '#1f77b4' dt 1"),
            ("upload, data moved", loopback, "upload_data_seconds", "lc rgb '#1f77b4' dt 2"),
            ("download, end to end", loopback, "download_seconds", "lc rgb '#d62728' dt 1"),
            ("download, data moved", loopback, "download_data_seconds", "lc rgb '#d62728' dt 2"),
            ("PC to PC, end to end", peer, "seconds", "lc rgb '#2ca02c' dt 1"),
            ("PC to PC, data moved", peer, "data_seconds", "lc rgb '#2ca02c' dt 2"),
            ("raw copy, loopback", loopback, "raw_block_seconds", "lc rgb '#555555' dt 1"),
            ("raw copy, between namespaces", peer, "raw_block_seconds", "lc rgb '#999999' dt 1"),
            ("md5sum", loopback, "md5sum_seconds", "lc rgb '#ff7f0e' dt 3")):
        points = _per_size(runs, key)
        if points:
            series.append((title, points, style))
    if not series or shutil.which("gnuplot") is None:
        return None
    data = os.path.join(out_dir, "throughput.dat")
    with open(data, "w") as f:
        for title, points, _ in series:
            f.write("# %s\n" % title)
            for size, rate in points:
                f.write("%g %.2f\n" % (size / (1 << 20), rate))
            f.write("\n\n")
    svg = os.path.join(out_dir, "throughput.svg")
    plots = ", ".join("'%s' index %d using 1:2 with linespoints lw 2 %s title '%s'" %
                      (data, i, style, title) for i, (title, _, style) in enumerate(series))
    script = """set terminal svg size 900,560 dynamic font 'sans,12'
set output '%s'
set logscale x 2
set logscale y 10
set xlabel 'file size (MiB)'
set ylabel 'MB/s (10^6 bytes per second), logarithmic'
set key outside right top
set grid
set yrange [1:*]
set title 'Throughput against file size (%s)'
plot %s
""" % (svg, "quick run" if results["quick"] else results["started"], plots)
    with open(os.path.join(out_dir, "throughput.gp"), "w") as f:
        f.write(script)
    done = subprocess.run(["gnuplot"], input=script, text=True, capture_output=True)
    if done.returncode != 0:
        print("plot: gnuplot failed: " + done.stderr.strip())
        return None
    return svg


BEGIN = "<!-- figures: written by scripts/bench --docs -->"
END = "<!-- end of figures -->"


def write_docs(results, table_rows, plot_path, docs_dir):
    doc = os.path.join(docs_dir, "performance.md")
    with open(doc, encoding="utf-8") as f:
        text = f.read()
    if BEGIN not in text or END not in text:
        raise RuntimeError("docs/performance.md lacks the figure markers")
    lines = [BEGIN, "",
             "Measured %s with `%s`." % (results["started"], results["command"]), "",
             "- Machine: " + _machine_line(results),
             "- " + _load_line(results)[0].upper() + _load_line(results)[1:] + "."]
    lines.append(markdown_table(table_rows))
    if plot_path:
        shutil.copyfile(plot_path, os.path.join(docs_dir, "performance-throughput.svg"))
        lines += ["", "![Throughput against file size](performance-throughput.svg)"]
    lines += ["", END]
    head, rest = text.split(BEGIN, 1)
    tail = rest.split(END, 1)[1]
    with open(doc, "w", encoding="utf-8") as f:
        f.write(head + "\n".join(lines) + tail)
