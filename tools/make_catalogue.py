#!/usr/bin/env python3
"""Computes the shipped transmission-line catalogue from physics.

Reads data/waveguides.csv and data/coax.csv and writes, into --out-dir, the catalogue index
listing.dat and one NAME.dat attenuation table per line type; optionally a C++ source that
embeds those files (--cpp) and the same points as an importable CSV (--csv).

Waveguides: TE10 conductor loss of a rectangular copper guide (air filled),
    alpha_c = Rs / (a^3 b beta k eta0) * (2 b pi^2 + a^3 k^2)      [Np/m]
with Rs = sqrt(omega mu0 / (2 sigma)) the surface resistance, k = omega / c, and
beta = sqrt(k^2 - (pi/a)^2) the phase constant.

Coaxial lines (TEM), inner diameter d chosen for 50 ohms, Z0 = eta0/(2 pi sqrt(eps_r)) ln(D/d):
    alpha_c = F * Rs / (2 eta ln(b/a)) * (1/a + 1/b),  eta = eta0 / sqrt(eps_r)   [Np/m]
    alpha_d = pi f sqrt(eps_r) tan_delta / c                                      [Np/m]
with a = d/2, b = D/2 and F the conductor factor of the table. The first higher-order mode
(TE11) cuts on near fc = 2 c / (pi (D + d) sqrt(eps_r)); tables stop below 0.9 fc.

Attenuation is written in dB per 100 ft: alpha * 20 / ln(10) * 30.48.
"""

import argparse
import csv
import math
import os
import sys

C = 299792458.0                 # speed of light, m/s
MU0 = 4e-7 * math.pi            # permeability of free space, H/m
ETA0 = 376.730313668            # impedance of free space, ohm
SIGMA_COPPER = 5.8e7            # annealed copper, S/m
INCH = 0.0254                   # m
DB_PER_NEPER = 20 / math.log(10)
FT100 = 30.48                   # m in 100 ft
COAX_IMPEDANCE = 50.0           # ohm
MODE_MARGIN = 0.9               # fraction of the TE11 cut-off a coax table may reach

# Coax point grid in GHz (units of 0.01 GHz): about 1.1 to 1.5 between neighbours, so that
# straight-line interpolation of a loss growing as sqrt(f) stays within about 0.5 %.
COAX_GRID = sorted(set(
    [5, 7, 10, 15, 20, 30, 40, 50, 60, 70, 80, 90, 100, 120, 140, 160, 180, 200, 225, 250, 275]
    + list(range(300, 1000, 50)) + list(range(1000, 2000, 100)) + list(range(2000, 4001, 200))))


def surface_resistance(f_hz):
    return math.sqrt(2 * math.pi * f_hz * MU0 / (2 * SIGMA_COPPER))


def waveguide_loss(a_m, b_m, f_hz):
    """TE10 conductor loss of a copper rectangular guide, dB per 100 ft."""
    k = 2 * math.pi * f_hz / C
    kc = math.pi / a_m
    if k <= kc:
        raise ValueError("frequency below cut-off")
    beta = math.sqrt(k * k - kc * kc)
    alpha = surface_resistance(f_hz) / (a_m ** 3 * b_m * beta * k * ETA0) * (
        2 * b_m * math.pi ** 2 + a_m ** 3 * k ** 2)
    return alpha * DB_PER_NEPER * FT100


def coax_inner_diameter(outer_m, eps_r):
    return outer_m / math.exp(COAX_IMPEDANCE * 2 * math.pi * math.sqrt(eps_r) / ETA0)


def coax_loss(outer_m, eps_r, tan_delta, factor, f_hz):
    """Conductor plus dielectric loss of a 50-ohm coaxial line, dB per 100 ft."""
    inner_m = coax_inner_diameter(outer_m, eps_r)
    a, b = inner_m / 2, outer_m / 2
    eta = ETA0 / math.sqrt(eps_r)
    alpha_c = factor * surface_resistance(f_hz) / (2 * eta * math.log(b / a)) * (1 / a + 1 / b)
    alpha_d = math.pi * f_hz * math.sqrt(eps_r) * tan_delta / C
    return (alpha_c + alpha_d) * DB_PER_NEPER * FT100


def coax_cutoff_hz(outer_m, eps_r):
    inner_m = coax_inner_diameter(outer_m, eps_r)
    return 2 * C / (math.pi * (outer_m + inner_m) * math.sqrt(eps_r))


def centi(text):
    """A GHz text as a whole number of 0.01 GHz."""
    value = round(float(text) * 100)
    if abs(value - float(text) * 100) > 1e-6:
        raise ValueError(f"{text}: more than two decimals")
    return value


def ghz_text(centis):
    text = f"{centis // 100}.{centis % 100:02d}".rstrip("0").rstrip(".")
    return text


def loss_text(db):
    return f"{db:.4g}" if db < 1000 else f"{db:.0f}"


def read_table(path):
    with open(path, newline="") as f:
        rows = [line for line in f if not line.lstrip().startswith("#")]
    return list(csv.DictReader(rows))


def waveguide_lines(path):
    lines = []
    for row in read_table(path):
        a = float(row["a_in"]) * INCH
        b = float(row["b_in"]) * INCH
        low, high, step = centi(row["low_ghz"]), centi(row["high_ghz"]), centi(row["step_ghz"])
        # Grid points inside the band, the band edges, and one grid point beyond each edge,
        # so that the single-precision bounds of the index always fall inside the table.
        first = (low // step) * step
        if first == low:
            first -= step
        last = -(-high // step) * step
        if last == high:
            last += step
        points = sorted(set(range(first, last + 1, step)) | {low, high})
        cutoff = C / (2 * a)
        if points[0] * 1e7 <= cutoff * 1.05:
            raise ValueError(f"{row['name']}: first point too close to cut-off")
        table = [(p, waveguide_loss(a, b, p * 1e7)) for p in points]
        lines.append((row["name"], low, high, table))
    return lines


def coax_lines(path):
    lines = []
    for row in read_table(path):
        outer = float(row["outer_mm"]) / 1000
        eps_r, tan_d, factor = float(row["eps_r"]), float(row["tan_delta"]), float(row["conductor_factor"])
        low = centi(row["low_ghz"])
        limit = MODE_MARGIN * coax_cutoff_hz(outer, eps_r) / 1e7
        grid = [g for g in COAX_GRID if g <= limit]
        high = grid[-1]
        above = [g for g in COAX_GRID if g > high]
        below = [g for g in COAX_GRID if g < low]
        points = [g for g in grid if g >= low]
        if below:
            points.insert(0, below[-1])
        if above and above[0] * 1e7 < coax_cutoff_hz(outer, eps_r):
            points.append(above[0])
        else:
            high = grid[-2]
        table = [(p, coax_loss(outer, eps_r, tan_d, factor, p * 1e7)) for p in points]
        lines.append((row["name"], low, high, table))
    return lines


def counted(text):
    data = text.encode("latin-1")
    if len(data) > 65535:
        raise ValueError("text too long")
    return len(data).to_bytes(2, "little") + data


def index_bytes(lines):
    out = bytearray()
    for name, low, high, _ in lines:
        out += counted(name) + counted(ghz_text(low)) + counted(ghz_text(high)) + counted("")
    out += counted("") * 4
    return bytes(out)


def table_bytes(table):
    if len(table) > 100:
        raise ValueError("more than 100 points")
    freqs = [""] + [ghz_text(p) for p, _ in table] + [""] * (100 - len(table))
    losses = [""] + [loss_text(db) for _, db in table] + [""] * (100 - len(table))
    return b"".join(counted(t) for t in freqs) + b"".join(counted(t) for t in losses)


def cpp_source(files):
    out = ["// Generated by tools/make_catalogue.py from data/*.csv. Do not edit.",
           '#include "data_dir.h"', "", "namespace hopscale {", "namespace {"]
    for i, (name, data) in enumerate(files):
        out.append(f"const unsigned char kFile{i}[] = {{")
        for start in range(0, len(data), 24):
            out.append("    " + ",".join(str(b) for b in data[start:start + 24]) + ",")
        out.append("};")
    out.append("const ShippedFile kFiles[] = {")
    for i, (name, data) in enumerate(files):
        out.append(f'    {{"{name}", kFile{i}, {len(data)}}},')
    out += ["};", "}  // namespace", "",
            "std::span<const ShippedFile> shippedCatalogue() { return kFiles; }", "",
            "}  // namespace hopscale", ""]
    return "\n".join(out)


MAX_NAME_CHARS = 10             # what the guide's lists show whole


def check_names(names):
    """Shipped names fit the guide's lists and are safe as file names."""
    seen = set()
    for name in names:
        if len(name) > MAX_NAME_CHARS:
            sys.exit(f"{name}: longer than {MAX_NAME_CHARS} characters")
        if any(c in name for c in "/\\") or ".." in name or not name.isprintable():
            sys.exit(f"{name}: not safe as a file name")
        if name.lower() in seen or name.lower() in ("listing", "pathcfg"):
            sys.exit(f"{name}: collides with another file name")
        seen.add(name.lower())


def remove_stale_tables(out_dir, files):
    """Removes tables of line types no longer shipped, so the directory holds the catalogue."""
    keep = {name for name, _ in files}
    for entry in os.listdir(out_dir):
        if entry.endswith(".dat") and entry not in keep:
            os.remove(os.path.join(out_dir, entry))


def write_if_changed(path, data):
    if os.path.exists(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    with open(path, "wb") as f:
        f.write(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--waveguides", default=os.path.join(here, "..", "data", "waveguides.csv"))
    parser.add_argument("--coax", default=os.path.join(here, "..", "data", "coax.csv"))
    parser.add_argument("--out-dir", help="directory for listing.dat and NAME.dat")
    parser.add_argument("--cpp", help="C++ source embedding the files")
    parser.add_argument("--csv", help="the points as an importable CSV")
    parser.add_argument("--at", nargs=2, metavar=("NAME", "GHZ"),
                        help="print the computed loss of one line at one frequency")
    args = parser.parse_args()

    lines = waveguide_lines(args.waveguides) + coax_lines(args.coax)
    if len(lines) > 100:
        sys.exit("more than 100 line types")
    check_names([name for name, _, _, _ in lines])

    if args.at:
        name, ghz = args.at
        for line_name, _, _, _ in lines:
            if line_name == name:
                break
        else:
            sys.exit(f"{name}: no such line type")
        for row in read_table(args.waveguides):
            if row["name"] == name:
                print(f"{waveguide_loss(float(row['a_in']) * INCH, float(row['b_in']) * INCH, float(ghz) * 1e9):.4f}")
        for row in read_table(args.coax):
            if row["name"] == name:
                print(f"{coax_loss(float(row['outer_mm']) / 1000, float(row['eps_r']), float(row['tan_delta']), float(row['conductor_factor']), float(ghz) * 1e9):.4f}")
        return

    files = [("listing.dat", index_bytes(lines))]
    files += [(name + ".dat", table_bytes(table)) for name, _, _, table in lines]
    if args.out_dir:
        os.makedirs(args.out_dir, exist_ok=True)
        for name, data in files:
            write_if_changed(os.path.join(args.out_dir, name), data)
        remove_stale_tables(args.out_dir, files)
    if args.cpp:
        write_if_changed(args.cpp, cpp_source(files).encode())
    if args.csv:
        rows = ["name,low_ghz,high_ghz,freq_ghz,db_per_100ft"]
        for name, low, high, table in lines:
            for p, db in table:
                rows.append(f"{name},{ghz_text(low)},{ghz_text(high)},{ghz_text(p)},{loss_text(db)}")
        write_if_changed(args.csv, ("\n".join(rows) + "\n").encode())


if __name__ == "__main__":
    main()
