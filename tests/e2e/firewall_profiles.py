"""Checks the shipped firewall profiles of the client: the UFW application
profile is one that UFW accepts, the firewalld service has the form firewalld
reads, both open exactly the client's ports, and README.md lists them all.

Usage: firewall_profiles.py UFW_PROFILE FIREWALLD_XML README
"""
import configparser
import re
import sys
import xml.etree.ElementTree as ElementTree

# (protocol, first port, last port): what the client needs open.
EXPECTED = {
    ("udp", 16020, 16020),  # discovery requests from devices and PCs
    ("udp", 16021, 16021),  # operate requests (downloads, offered files)
    ("udp", 5353, 5353),  # multicast DNS
    ("tcp", 6000, 6000),  # remote-input server ("fingo_port")
    ("tcp", 20000, 20999),  # served downloads, one port per granted session
}

failures = []


def fail(text):
    failures.append(text)


def port_number(text, where):
    if not re.fullmatch(r"[0-9]+", text) or not 1 <= int(text) <= 65535:
        fail(f"{where}: bad port {text!r}")
        return 0
    return int(text)


def port_range(text, separator, where):
    """(first, last) of "N" or "N<separator>M"."""
    first, _, last = text.partition(separator)
    low = port_number(first, where)
    high = port_number(last, where) if last else low
    if high < low:
        fail(f"{where}: range {text} runs backwards")
    return low, high


def ufw_ports(path):
    """The ports of the profile, checked the way UFW checks application profiles."""
    parser = configparser.RawConfigParser(strict=True)
    try:
        with open(path, encoding="utf-8") as f:
            parser.read_file(f)
    except (configparser.Error, UnicodeDecodeError) as e:
        fail(f"{path}: {e}")
        return set()
    ports = set()
    if parser.sections() != ["Tavlo"]:
        fail(f"{path}: sections {parser.sections()}, expected ['Tavlo']")
    for name in parser.sections():
        if not re.fullmatch(r"[A-Za-z0-9][^/]*", name) or name.isdigit() or name == "all":
            fail(f"{path}: profile name {name!r} is not one UFW accepts")
        keys = sorted(parser.options(name))
        if keys != ["description", "ports", "title"]:
            fail(f"{path}: [{name}] has keys {keys}, expected description, ports, title")
            continue
        for key in ("title", "description"):
            if not parser.get(name, key).strip():
                fail(f"{path}: [{name}] {key} is empty")
        for entry in parser.get(name, "ports").split("|"):
            where = f"{path}: [{name}] ports entry {entry!r}"
            listed, _, protocol = entry.partition("/")
            if protocol not in ("tcp", "udp"):
                # UFW takes an entry without protocol for single ports only;
                # the client's ports all name theirs.
                fail(f"{where}: protocol must be tcp or udp")
                continue
            items = listed.split(",")
            # iptables' multiport match takes 15 ports, a range counting twice.
            if sum(2 if ":" in item else 1 for item in items) > 15:
                fail(f"{where}: more than 15 ports")
            for item in items:
                ports.add((protocol, *port_range(item, ":", where)))
    return ports


def firewalld_ports(path):
    """The ports of the service, checked against firewalld's service format."""
    try:
        root = ElementTree.parse(path).getroot()
    except ElementTree.ParseError as e:
        fail(f"{path}: {e}")
        return set()
    if root.tag != "service":
        fail(f"{path}: root element {root.tag}, expected service")
    ports = set()
    for child in root:
        if child.tag in ("short", "description"):
            if not (child.text or "").strip():
                fail(f"{path}: empty {child.tag}")
            continue
        if child.tag != "port":
            fail(f"{path}: unexpected element {child.tag}")
            continue
        if sorted(child.attrib) != ["port", "protocol"]:
            fail(f"{path}: port attributes {sorted(child.attrib)}")
            continue
        protocol, text = child.get("protocol"), child.get("port")
        where = f"{path}: port {text!r}/{protocol}"
        if protocol not in ("tcp", "udp"):
            fail(f"{where}: protocol must be tcp or udp")
        ports.add((protocol, *port_range(text, "-", where)))
    if [c.tag for c in root].count("short") != 1:
        fail(f"{path}: needs exactly one short element")
    return ports


def readme_section(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    match = re.search(r"^## Network ports\n(.*?)(?=^## |\Z)", text, re.S | re.M)
    if not match:
        fail(f"{path}: no \"## Network ports\" section")
        return ""
    return match.group(1)


def shown(protocol, low, high):
    return f"{protocol.upper()} {low}" + (f"-{high}" if high != low else "")


def main():
    ufw_path, firewalld_path, readme_path = sys.argv[1:4]
    for name, ports in (("UFW profile", ufw_ports(ufw_path)),
                        ("firewalld service", firewalld_ports(firewalld_path))):
        for port in sorted(ports - EXPECTED):
            fail(f"{name} opens {shown(*port)}, which the client does not use")
        for port in sorted(EXPECTED - ports):
            fail(f"{name} does not open {shown(*port)}")
    section = readme_section(readme_path)
    for protocol, low, high in sorted(EXPECTED):
        if not re.search(rf"\b{low}\b" + (rf"[-–]{high}\b" if high != low else ""), section):
            fail(f"README.md, Network ports: {shown(protocol, low, high)} is not listed")
    for f in failures:
        print("FAIL:", f)
    print("all checks passed" if not failures else f"{len(failures)} check(s) failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
