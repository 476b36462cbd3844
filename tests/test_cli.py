"""The halx command line: exit statuses, one-line errors, values that read back
exactly, the range syntax, and the phase-diagram image.

Most cases call Halx.cli.main in-process; a few run `python -m Halx` and the
installed `halx` script to check what a shell sees.
"""

import contextlib
import csv
import errno
import io
import os
import re
import shutil
import signal
import stat
import struct
import subprocess
import sys
import sysconfig
import zlib

import Halx
import pytest
import reference
from Halx import _command, _table_command, cli
from Halx._table import CONSTANTS, PRESSURE, PROPERTIES, TEMPERATURE

# The command line evaluates through NumPy when it can, and draws with Matplotlib.
pytestmark = [pytest.mark.keeps_memory, pytest.mark.python_layer]

h = Halx.cHalx()

UNITS = {row.name: row.unit for row in PROPERTIES + CONSTANTS}


def run(capsys, *argv):
    """(exit status, stdout, stderr) of halx argv run in-process."""
    status = cli.main(list(argv))
    captured = capsys.readouterr()
    return status, captured.out, captured.err


def read_csv(text):
    """Header and rows (as floats) of CSV text."""
    header, *rows = list(csv.reader(io.StringIO(text)))
    return header, [[float(cell) for cell in row] for row in rows]


# --- Exit statuses and messages ------------------------------------------------------------


@pytest.mark.parametrize(
    "argv",
    [
        ["--help"],
        ["--version"],
        ["eval", "--help"],
        ["table", "--help"],
        ["diagram", "--help"],
        ["eval", "P_Boiling", "1000"],
        ["eval", "Rho_Liquid", "900", "100"],
        ["eval", "T_Triple"],
        ["table", "--T", "700:1100:50", "--P", "1,100,1000"],
        ["table", "--P", "1,10", "--csv"],
    ],
)
def test_good_command_line_exits_0(capsys, argv):
    status, out, err = run(capsys, *argv)
    assert status == 0 and out
    assert err == "" or re.fullmatch(r"halx: not compared with measurements at these states: [^\n]*\n", err)


@pytest.mark.parametrize(
    "argv, fragment",
    [
        (["eval", "P_Boil", "1000"], "did you mean P_Boiling"),
        (["eval", "Density", "1000"], "unknown property 'Density'"),
        (["eval", "P_Boiling", "hot"], "'hot' is not a number"),
        (["eval", "P_Boiling", "1e"], "'1e' is not a number"),
        (["eval", "P_Boiling"], "takes 1 argument (T in °C), not 0"),
        (["eval", "Rho_Solid", "25"], "takes 2 arguments (T in °C and P in bar), not 1"),
        (["eval", "T_Triple", "1"], "takes no arguments"),
        (["eval"], "give a property"),
        ([], "give a command"),
        (["boil"], "invalid choice"),
        (["table"], "give --T and/or --P"),
        (["table", "--T", "700:1100"], "malformed range '700:1100'"),
        (["table", "--T", "700:1100:50:1"], "malformed range"),
        (["table", "--T", "700:1100:0"], "step 0"),
        (["table", "--T", "1100:700:50"], "1100:700:-50"),
        (["table", "--T", "700:hot:50"], "'hot' in range '700:hot:50' is not a number"),
        (["table", "--T", "700:inf:50"], "finite"),
        (["eval", "P_Boiling", "1e400"], "T = '1e400' is beyond the range of a double"),
        (["phase", "25", "-1e400"], "P = '-1e400' is beyond the range of a double"),
        (["table", "--T", "1e400"], "'1e400' is beyond the range of a double"),
        (["table", "--T", "1e308:2e308:1e308"], "reaches 2E+308, which is beyond the range of a double"),
        (["table", "--P", "1,,10"], "empty item"),
        (["table", "--T", "0:1e6:1e-3"], "more than 100000"),
        (["table", "--T", "0:999:1", "--P", "0:1000:1"], "more than 1000000"),
        (["table", "--P", "1", "--property", "Rho_Solid"], "Rho_Solid needs --T"),
        (["table", "--T", "1", "--property", "Density"], "unknown property 'Density'"),
        (["table", "--T", "1", "--digits", "0"], "--digits"),
        (["table", "--T", "1", "--unknown"], "unrecognized arguments: --unknown (see 'halx table --help')"),
        (["eval", "Rho_Solid", "25", "1", "100"], "not 3 (a multiple of 2 for several points)"),
        (["eval", "P_Boiling", "-n"], "takes 1 argument (T in °C), not 0"),
        (["diagram"], "-o/--output"),
        (["diagram", "-o", "nacl.jpg"], "end the file name in .png, .svg or .pdf"),
        (["diagram", "-o", "nacl.png", "--size", "800"], "WIDTHxHEIGHT"),
        # Units: only those of the argument's quantity, spelled as listed
        (["eval", "P_Boiling", "1000J"], "T = '1000J': unknown unit 'J'; give T with a unit of temperature (K, degC"),
        (["eval", "P_Boiling", "1000k"], "unknown unit 'k'"),
        (["table", "--P", "1mpa"], "unknown unit 'mpa'; give P with a unit of pressure (bar, Pa, kPa, MPa or atm)"),
        (["eval", "Rho_Solid", "25", "300K"], "P = '300K': K is a unit of temperature, not of pressure"),
        (["phase", "1atm", "1"], "T = '1atm': atm is a unit of pressure, not of temperature"),
        (["table", "--P", "1bar:10bar:1K"], "K is a unit of temperature, not of pressure"),
        (["eval", "P_Boiling", "1e400K"], "T = '1e400K' is beyond the range of a double"),
        (["eval", "Rho_Solid", "25", "1e308MPa"], "P = '1e308MPa' is beyond the range of a double"),
        (["eval", "P_Boiling", "1e99999999999999999999K"], "T = '1e99999999999999999999K' is beyond the range of a"),
        (["phase", "25", "-1e99999999999999999999"], "P = '-1e99999999999999999999' is beyond the range of a"),
        (["table", "--T", "1e1000000:1e1000000:1"], "reaches 1.0000000000000000000000000000000000000000000000"),
        (["eval", "P_Boiling", "1000\u2103C"], "T = '1000\u2103C': unknown unit '°CC'"),
        (["table", "--T", "300K:1000degC:100"], "range '300K:1000degC:100' has its bounds in two units, K and degC"),
        (["table", "--T", "300:1300K:100"], "bounds in two units, °C (no unit) and K"),
        (["table", "--T", "300K:1300K:100degF"], "has its step in degF and its bounds in K"),
        (["table", "--P", "1:10:1kPa"], "has its step in kPa and its bounds in bar (no unit)"),
    ],
)
def test_bad_input_is_one_line_on_stderr_and_status_2(capsys, argv, fragment):
    status, out, err = run(capsys, *argv)
    assert status == 2
    assert out == ""
    assert err.count("\n") == 1 and err.startswith("halx")
    assert "Traceback" not in err
    assert fragment in err


def test_unwritable_output_is_one_line_and_status_1(capsys, tmp_path):
    status, out, err = run(capsys, "table", "--T", "800", "-o", str(tmp_path / "missing" / "t.csv"))
    assert status == 1
    assert err.count("\n") == 1 and "cannot write" in err


def test_eval_help_lists_every_property_and_constant_with_its_unit_basis_and_model(capsys):
    out = run(capsys, "eval", "--help")[1]
    for row in CONSTANTS:
        assert re.search(rf"^  {row.name}\b.*, {re.escape(row.unit)}$", out, re.MULTILINE), row.name
    for row in PROPERTIES:
        meaning = ": solid, liquid or vapour" if row.result == "phase" else f", {row.unit} {row.basis}".rstrip()
        model = "the thermodynamic surface" if row.source == "surface" else "the correlations"
        assert re.search(rf"^  {row.name}\b.*{re.escape(meaning)}; from {model}", out, re.MULTILINE), row.name


def test_version_is_the_package_version(capsys):
    status, out, _ = run(capsys, "--version")
    assert status == 0
    assert out.split() == ["halx", Halx.__version__]


# --- eval ----------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "name, arguments",
    [
        ("P_Boiling", ["1000"]),
        ("P_Boiling", ["-1e3"]),  # a word argparse would take for an option
        ("T_Melting", ["1000"]),
        ("T_Melting", ["-0.5"]),
        ("P_Sublimation", ["650.25"]),
        ("Rho_Solid", ["25", "1"]),
        ("Rho_Liquid", ["900", "1e2"]),
        ("Rho_Liquid", ["1_000", "100"]),
    ],
)
def test_eval_prints_the_library_value_with_its_unit(capsys, name, arguments):
    status, out, _ = run(capsys, "eval", name, *arguments)
    value, unit = out.split()
    assert status == 0
    assert float(value) == getattr(h, name)(*[float(word) for word in arguments])
    assert unit == UNITS[name]


@pytest.mark.parametrize("name, value", [(constant.name, constant.value) for constant in CONSTANTS])
def test_eval_prints_constants(capsys, name, value):
    assert run(capsys, "eval", name)[1] == f"{value} {UNITS[name]}\n"
    assert run(capsys, "eval", "-n", name)[1] == f"{value}\n"


@pytest.mark.parametrize(
    "argv, points, units",
    [
        (["P_Boiling", "900", "1000", "-1e3"], [(900.0,), (1000.0,), (-1000.0,)], True),
        (["Rho_Solid", "25", "1", "100", "1000"], [(25.0, 1.0), (100.0, 1000.0)], True),
        (["-n", "Rho_Liquid", "900", "100"], [(900.0, 100.0)], False),
        (["T_Melting", "1", "1000", "--numbers-only"], [(1.0,), (1000.0,)], False),  # the option after the values
    ],
)
def test_eval_prints_one_line_per_point(capsys, argv, points, units):
    status, out, _ = run(capsys, "eval", *argv)
    name = next(word for word in argv if not word.startswith("-"))
    values = [getattr(h, name)(*point) for point in points]
    assert status == 0
    assert out.splitlines() == [f"{value!r} {UNITS[name]}" if units else repr(value) for value in values]


# --- Ranges --------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "text, expected",
    [
        ("700:1100:50", [700.0 + 50.0 * i for i in range(9)]),
        ("0:1:0.3", [0.0, 0.3, 0.6, 0.9]),  # stop off the grid is left out
        ("0:1:0.1", [0.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0]),  # no 0.30000000000000004
        ("1100:700:-100", [1100.0, 1000.0, 900.0, 800.0, 700.0]),
        ("-20:40:20", [-20.0, 0.0, 20.0, 40.0]),
        ("5:5:1", [5.0]),
        ("1, 10 ,100:1000:300", [1.0, 10.0, 100.0, 400.0, 700.0, 1000.0]),
        ("1e-3,2.5E2", [0.001, 250.0]),
    ],
)
def test_values_expand_lists_and_ranges(text, expected):
    assert cli.parse_values(text) == expected


@pytest.mark.parametrize(
    "text",
    [
        "",
        "1,",
        "a",
        "sNaN",
        "1:2",
        "1:2:3:4",
        "1:2:0",
        "2:1:1",
        "0:nan:1",
        "1::1",
        "0:1e6:1e-3",
        "0:1e999999:1",
        "0:1:1e-999999",
        "1000K",  # without an argument to take units of, numbers are bare
    ],
)
def test_malformed_values_raise_value_error(text):
    with pytest.raises(ValueError):
        cli.parse_values(text)


# --- Units ---------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "argument, text, expected",
    [
        (TEMPERATURE, "1000", [1000.0]),
        (TEMPERATURE, "1000degC,1000°C, 1000 °C", [1000.0] * 3),
        (TEMPERATURE, "1273.15K", [1000.0]),  # exactly: 1273.15 - 273.15 in doubles is 1000.0000000000001
        (TEMPERATURE, "0K,-infK", [-273.15, -float("inf")]),
        (TEMPERATURE, "212degF,-40°F,1832degF", [100.0, -40.0, 1000.0]),
        # The one-character signs, as °C and °F; an exponent beyond Decimal's, as beyond the doubles'
        (TEMPERATURE, "1000\u2103,1000 \u2103,1832\u2109,1000\u2103:1100\u2103:100", [1000.0] * 4 + [1100.0]),
        (TEMPERATURE, "1e-99999999999999999999,-1e-99999999999999999999K", [0.0, -273.15]),
        (TEMPERATURE, "300K:600K:100", [26.85, 126.85, 226.85, 326.85]),  # the step in the bounds' unit
        (TEMPERATURE, "300K:600K:100K,1100K:900K:-100", [26.85, 126.85, 226.85, 326.85, 826.85, 726.85, 626.85]),
        (TEMPERATURE, "32degF:212degF:90", [0.0, 50.0, 100.0]),
        (TEMPERATURE, "-20:20:20degC", [-20.0, 0.0, 20.0]),
        (PRESSURE, "1bar,101325Pa,100kPa,10MPa,1atm,2.5atm", [1.0, 1.01325, 1.0, 100.0, 1.01325, 2.533125]),
        (PRESSURE, "1e5Pa,1e-3 MPa", [1.0, 0.01]),
        (PRESSURE, "0.1MPa:0.3MPa:0.1MPa,100kPa:300kPa:100", [1.0, 2.0, 3.0, 1.0, 2.0, 3.0]),
    ],
)
def test_values_with_units_are_read_in_celsius_and_bar(argument, text, expected):
    assert cli.parse_values(text, argument) == expected


@pytest.mark.parametrize(
    "with_units, bare",
    [
        (["eval", "P_Boiling", "1273.15K", "1832degF"], ["eval", "P_Boiling", "1000", "1000"]),
        (["eval", "Rho_Solid", "25", "10MPa", "77°F", "1atm"], ["eval", "Rho_Solid", "25", "100", "25", "1.01325"]),
        (["phase", "1073.15K", "1atm", "-20degF", "100kPa"], ["phase", "800", "1.01325", "-28.88888888888889", "1"]),
        (
            ["table", "--T", "1073.15K:1273.15K:100", "--P", "1e5Pa,1MPa", "--csv"],
            ["table", "--T", "800:1000:100", "--P", "1,10", "--csv"],
        ),
    ],
    ids=lambda argv: argv[0],
)
def test_every_command_reads_units_as_the_bare_numbers_they_stand_for(capsys, with_units, bare):
    assert run(capsys, *with_units) == run(capsys, *bare)


# The SI unit of each unit of the table and the conversion to it; others are SI already.
SI = {
    "°C": ("K", lambda value: value + 273.15),
    "bar": ("Pa", lambda value: value * 1e5),
    "1/bar": ("1/Pa", lambda value: value / 1e5),
}


def in_si(value, unit):
    """(value in SI, SI unit) for value in unit."""
    si_unit, convert = SI.get(unit, (unit, lambda value: value))
    return convert(value), si_unit


@pytest.mark.parametrize(
    "argv",
    [
        *(
            ["eval", row.name, *[{"T": "900", "P": "100"}[argument.name] for argument in row.arguments]]
            for row in PROPERTIES
        ),
        *(["eval", constant.name] for constant in CONSTANTS),
        ["table", "--T", "700:1100:100", "--csv"],
        ["table", "--P", "1,1000", "--property", "T_Melting,H_Fusion", "--csv"],
        ["table", "--T", "900", "--P", "1,1000", "--property", "Beta_Liquid,Alpha_Liquid,Rho_Liquid,phase", "--csv"],
    ],
    ids=" ".join,
)
def test_si_gives_each_value_converted_from_its_unit_in_the_table(capsys, argv):
    out = run(capsys, *argv, "-q")[1]
    si = run(capsys, *argv, "--si", "-q")[1]
    if argv[0] == "eval":
        value, _, unit = out.strip().partition(" ")
        expected = f"{in_si(float(value), unit)[0]!r} {in_si(0.0, unit)[1]}".strip() if unit else value
        assert si.strip() == expected
    else:
        header, *rows = list(csv.reader(io.StringIO(out)))
        units = [re.fullmatch(r"\w+(?: \((.*)\))?", cell).group(1) or "" for cell in header]
        converted = [
            [cell if unit == "" else repr(in_si(float(cell), unit)[0]) for cell, unit in zip(row, units)]
            for row in rows
        ]
        renamed = [
            cell.replace(f"({unit})", f"({in_si(0.0, unit)[1]})") if unit else cell for cell, unit in zip(header, units)
        ]
        assert list(csv.reader(io.StringIO(si))) == [renamed, *converted]
        # The aligned layout sizes its columns for the values in SI (100000 Pa, not 1 bar).
        aligned = run(capsys, *[word for word in argv if word != "--csv"], "--si", "-q")[1].splitlines()
        assert len({len(line) for line in aligned}) == 1


# --- table ---------------------------------------------------------------------------------


@pytest.mark.parametrize(
    "columns, phase",
    [([], True), (["--property", "Rho_Solid,Rho_Liquid"], False)],
    ids=["phase first", "densities alone"],
)
def test_csv_over_T_and_P_reads_back_as_the_library_values(capsys, columns, phase):
    status, out, _ = run(capsys, "table", "--T", "0,700:1100:50", "--P", "1,100,1000", *columns, "--csv")
    header, *rows = list(csv.reader(io.StringIO(out)))
    assert status == 0
    assert header == ["T (°C)", "P (bar)"] + ["phase"] * phase + ["Rho_Solid (kg/m³)", "Rho_Liquid (kg/m³)"]
    points = [(T, P) for T in [0.0] + [700.0 + 50.0 * i for i in range(9)] for P in (1.0, 100.0, 1000.0)]
    assert [tuple(map(float, row[:2])) for row in rows] == points
    # The phase, solid at 0 °C, says the liquid's density there is not the state's.
    names = {reference.SOLID: "solid", reference.LIQUID: "liquid", reference.VAPOUR: "vapour"}
    for (T, P), row in zip(points, rows):
        assert row[2:-2] == [names[reference.phase(T, P)]] * phase
        assert list(map(float, row[-2:])) == [h.Rho_Solid(T, P), h.Rho_Liquid(T, P)]


@pytest.mark.parametrize(
    "axis, values, names",
    [
        ("--T", [600.0, 800.7, 1200.0], ["P_Boiling", "P_Sublimation"]),
        ("--P", [0.0005, 1.0, 5000.0], ["T_Melting"]),
    ],
)
def test_csv_over_one_axis_gives_its_properties(capsys, axis, values, names):
    _, out, _ = run(capsys, "table", axis, ",".join(map(repr, values)), "--csv")
    header, rows = read_csv(out)
    assert header[1:] == [f"{name} ({UNITS[name]})" for name in names]
    assert rows == [[x] + [getattr(h, name)(x) for name in names] for x in values]


def test_property_option_picks_the_columns(capsys):
    _, out, _ = run(capsys, "table", "--T", "900", "--P", "10", "--property", "T_Melting,P_Boiling", "--csv")
    assert read_csv(out) == (
        ["T (°C)", "P (bar)", "T_Melting (°C)", "P_Boiling (bar)"],
        [[900.0, 10.0, h.T_Melting(10.0), h.P_Boiling(900.0)]],
    )


def test_scalar_path_gives_the_same_table_as_the_array_path(capsys, monkeypatch):
    argv = ["table", "--T", "-300:2000:230", "--P", "0,1e3,nan", "--property", "Rho_Liquid,P_Boiling,phase", "--csv"]
    with_arrays = run(capsys, *argv)[1]
    monkeypatch.setattr(_command, "arrays", lambda: None)
    assert run(capsys, *argv)[1] == with_arrays


def test_aligned_table_has_even_columns_and_rounded_values(capsys):
    _, out, _ = run(capsys, "table", "--T", "700:1100:100", "--digits", "4")
    lines = out.splitlines()
    assert lines[0].split() == ["T", "(°C)", "P_Boiling", "(bar)", "P_Sublimation", "(bar)"]
    assert len({len(line) for line in lines}) == 1
    for line in lines[2:]:
        T, boiling, sublimation = map(float, line.split())
        assert boiling == pytest.approx(h.P_Boiling(T), rel=5e-4)
        assert sublimation == pytest.approx(h.P_Sublimation(T), rel=5e-4)


def test_table_is_written_chunk_by_chunk_after_its_header(monkeypatch):
    # The header goes out before any value is computed, then one chunk of rows
    # at a time: memory stays that of a chunk, and a reader sees lines at once.
    events = []

    class Output(io.StringIO):
        def flush(self):
            events.append(f"flushed {self.getvalue().count(chr(10))} lines")

    evaluate = _command.evaluate
    monkeypatch.setattr(_table_command, "_CHUNK_ROWS", 10)
    monkeypatch.setattr(
        _command, "evaluate", lambda row, columns: events.append(len(columns[0])) or evaluate(row, columns)
    )
    monkeypatch.setattr(sys, "stdout", Output())
    assert cli.main(["table", "--T", "0:24:1", "--csv"]) == 0
    # 2 properties per chunk of 10, 10, 5 rows; the last flush when the command ends
    assert events == ["flushed 1 lines", 10, 10, 10, 10, 5, 5, "flushed 26 lines"]
    assert read_csv(sys.stdout.getvalue())[1] == [
        [T, h.P_Boiling(T), h.P_Sublimation(T)] for T in map(float, range(25))
    ]


def test_table_help_states_the_limits(capsys):
    assert "Limits: 100000 values per option, 1000000 rows per table." in run(capsys, "table", "--help")[1]


def test_dash_as_output_is_standard_output(capsys):
    status, out, err = run(capsys, "table", "--P", "1,10", "-o", "-", "--csv", "--quiet")
    assert (status, err) == (0, "")
    assert read_csv(out) == (["P (bar)", "T_Melting (°C)"], [[1.0, h.T_Melting(1.0)], [10.0, h.T_Melting(10.0)]])


@pytest.mark.parametrize("name, is_csv", [("t.csv", True), ("t.txt", False)])
def test_output_file_takes_csv_from_its_extension(capsys, tmp_path, name, is_csv):
    path = tmp_path / name
    status, out, _ = run(capsys, "table", "--P", "1,10", "-o", str(path))
    assert (status, out) == (0, "")
    assert path.read_text(encoding="utf-8").startswith("P (bar),T_Melting" if is_csv else "P (bar)  T_Melting")


# --- Checked ranges --------------------------------------------------------------------------


@pytest.mark.parametrize(
    "argv, note",
    [
        (["eval", "P_Boiling", "1000", "1465"], None),
        (
            ["eval", "P_Boiling", "1000", "700", "2000"],
            "P_Boiling at 2 of 3 points (checked only for T from 800.7 to 1465 °C)",
        ),
        (["eval", "-q", "P_Boiling", "700"], None),
        # Textbook states, and the README's examples, are where the properties were checked.
        (["phase", "25", "1"], None),
        (["eval", "Rho_Solid", "25", "1.01325"], None),
        (["eval", "Rho_Liquid", "900", "100"], None),
        (["eval", "H_Sublimation", "900"], "H_Sublimation at 1 of 1 point (never checked against measurements)"),
        (
            ["eval", "H_Liquid", "1500", "1"],
            "H_Liquid at 1 of 1 point (checked only for T from 800.65 to 2226.85 °C and P from 0 to 100 bar, "
            "where the liquid is the stable phase)",
        ),
        (
            ["table", "--T", "800:850:10", "--P", "1,200", "-o", "-"],
            "phase at 6 of 12 points (checked only for T from -173.15 to 2226.85 °C and P from 0 to 100 bar); "
            "Rho_Solid at 12 of 12 points (checked only for T 25 °C and P from 0 to 100 bar); Rho_Liquid at "
            "7 of 12 points (checked only for T from 800.7 to 1027 °C and P from 0 to 100 bar)",
        ),
        (["table", "--T", "700", "--quiet"], None),
    ],
)
def test_points_outside_the_checked_ranges_are_counted_in_one_line_on_standard_error(capsys, argv, note):
    status, out, err = run(capsys, *argv)
    assert status == 0 and "checked" not in out
    expected = f"halx: not compared with measurements at these states: {note} (--quiet leaves this line out)\n"
    assert err == (expected if note else "")


# --- Failures to write ---------------------------------------------------------------------


class FullDisk(io.RawIOBase):
    """A file on a full disk: every write fails, as on /dev/full, until the disk is emptied."""

    full = True

    def writable(self):
        return True

    def write(self, data):
        if self.full:
            raise OSError(errno.ENOSPC, os.strerror(errno.ENOSPC))
        return len(data)


WRITING_COMMANDS = [
    ["eval", "P_Boiling", "1000"],
    ["eval", "T_Triple"],
    ["phase", "1000", "1"],
    ["table", "--T", "800"],
    ["table", "--T", "800", "--csv"],
    ["table", "--T", "800", "-o", "-"],
    ["--version"],
    ["--help"],
]


@pytest.mark.parametrize("stdout, reason", [("full", "No space left on device"), ("closed", "it is closed")])
@pytest.mark.parametrize("argv", WRITING_COMMANDS, ids=" ".join)
def test_unwritable_standard_output_is_one_line_and_status_1(capsys, monkeypatch, argv, stdout, reason):
    disk = FullDisk()
    # None: as when the process starts with descriptor 1 closed.
    stream = io.TextIOWrapper(io.BufferedWriter(disk), encoding="utf-8") if stdout == "full" else None
    monkeypatch.setattr(sys, "stdout", stream)
    status = cli.main(argv)
    assert (status, capsys.readouterr().err) == (1, f"halx: error: cannot write standard output: {reason}\n")
    disk.full = False  # so that what is still buffered goes when the stream is closed, not at collection
    if stream is not None:
        stream.close()


@pytest.mark.parametrize("argv", [["eval", "P_Boil", "1"], ["table", "--T", "800", "-o", "{tmp}/t.csv"]])
def test_without_standard_error_messages_never_reach_the_data(capsys, monkeypatch, tmp_path, argv):
    monkeypatch.setattr(sys, "stderr", None)
    cli.main([word.format(tmp=tmp_path) for word in argv])
    assert capsys.readouterr().out == ""


@pytest.mark.parametrize("argv", [["eval", "P_Boiling", "1000"], ["--help"]], ids=" ".join)
def test_full_disk_as_standard_output_of_a_process(argv):
    with open("/dev/full", "w") as full:
        result = subprocess.run([sys.executable, "-m", "Halx", *argv], stdout=full, stderr=subprocess.PIPE, text=True)
    assert (result.returncode, result.stderr) == (
        1,
        "halx: error: cannot write standard output: No space left on device\n",
    )


def fail(exception, cleaning_up=None):
    """A failure to raise; with cleaning_up, raised while handling it, as matplotlib's
    PDF writer fails again while closing a file on a full disk."""

    def raise_it():
        try:
            raise exception
        except OSError:
            if cleaning_up is None:
                raise
            raise cleaning_up

    return raise_it


FULL_DISK = OSError(errno.ENOSPC, os.strerror(errno.ENOSPC))


@pytest.mark.parametrize(
    "name, writer, failure, status, message",
    [
        ("t.csv", "Halx._table_command.write_csv", fail(KeyboardInterrupt()), 130, "halx: interrupted"),
        ("t.txt", "Halx._table_command.write_aligned", fail(FULL_DISK), 1, "No space left on device"),
        ("t.pdf", "Halx.plot.save_diagram", fail(FULL_DISK, zlib.error("Error -2")), 1, "No space left on device"),
    ],
)
def test_failed_output_file_leaves_the_old_one_untouched(
    capsys, monkeypatch, tmp_path, name, writer, failure, status, message
):
    def write_part_then_fail(*args, **kwargs):
        # save_diagram(path, ...) writes to a path, a table writer to its stream
        with open(args[0], "w") if isinstance(args[0], str) else contextlib.nullcontext(args[-1]) as stream:
            stream.write("1,2\n3,")
        failure()

    monkeypatch.setattr(writer, write_part_then_fail)
    path = tmp_path / name
    path.write_text("old contents")
    command = ["diagram"] if name.endswith(".pdf") else ["table", "--T", "0:100:1"]
    assert cli.main([*command, "-o", str(path)]) == status
    err = capsys.readouterr().err
    assert err.count("\n") == 1 and message in err and "Traceback" not in err
    assert path.read_text() == "old contents" and os.listdir(tmp_path) == [name]


def test_output_file_replaces_the_target_of_a_link_with_its_permissions(capsys, tmp_path):
    target, link = tmp_path / "t.csv", tmp_path / "link.csv"
    target.write_text("old contents")
    target.chmod(0o640)
    link.symlink_to(target)
    assert run(capsys, "table", "--T", "800", "-o", str(link))[0] == 0
    assert link.is_symlink() and target.read_text().startswith("T (°C),P_Boiling")
    assert stat.S_IMODE(target.stat().st_mode) == 0o640


@pytest.mark.parametrize(
    "argv", [["eval", "P_Boiling", "1000"], ["table", "--T", "800"], ["diagram", "-o", "x.png"]], ids=" ".join
)
def test_kernels_that_cannot_run_are_refused_by_every_command(argv):
    result = subprocess.run(
        [sys.executable, "-m", "Halx", *argv],
        capture_output=True,
        text=True,
        env={**os.environ, "HALX_SIMD": "avx9000"},
    )
    assert (result.returncode, result.stdout) == (2, "")
    assert re.fullmatch(
        r"halx: error: HALX_SIMD=avx9000: no such SIMD kernel set .*; use one of: plain.*\n", result.stderr
    )


# --- diagram -------------------------------------------------------------------------------


def png_size(data):
    """(width, height) from the IHDR chunk of PNG data."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n" and data[12:16] == b"IHDR"
    return struct.unpack(">II", data[16:24])


@pytest.mark.parametrize("extra, size", [([], (800, 600)), (["--size", "640x480", "--dpi", "80"], (640, 480))])
def test_diagram_png_has_the_requested_size_and_all_three_curves(capsys, tmp_path, extra, size):
    pytest.importorskip("matplotlib")
    from matplotlib.image import imread

    path = tmp_path / "nacl.png"
    assert run(capsys, "diagram", "-o", str(path), *extra)[0] == 0
    assert png_size(path.read_bytes()) == size
    pixels = {tuple(rgb) for rgb in (imread(str(path))[..., :3] * 255).round().astype(int).reshape(-1, 3).tolist()}
    for curve in ((213, 94, 0), (0, 114, 178), (0, 158, 115)):  # boiling, melting, sublimation
        assert curve in pixels


@pytest.mark.parametrize("name, magic", [("nacl.svg", b"<?xml"), ("nacl.pdf", b"%PDF-")])
def test_diagram_writes_vector_formats(capsys, tmp_path, name, magic):
    pytest.importorskip("matplotlib")
    path = tmp_path / name
    assert run(capsys, "diagram", "-o", str(path))[0] == 0
    assert path.read_bytes().startswith(magic)


def test_phase_diagram_draws_the_surfaces_boundaries_on_the_given_axes_and_returns_them():
    pytest.importorskip("matplotlib")
    from Halx.plot import phase_diagram
    from matplotlib.figure import Figure

    ax = Figure().add_subplot()
    assert phase_diagram(ax, T_range=(600.0, 1200.0), points=50) is ax
    curves = {line.get_label(): line.get_xydata() for line in ax.get_lines()}
    boiling, melting, sublimation = (curves[label] for label in ("boiling", "melting", "sublimation"))
    assert [T for T, _ in boiling][::49] == [Halx.triple_point()[0], 1200.0]  # from the triple point up
    assert [P for _, P in boiling] == [Halx.P_LiquidVapour(T) for T, _ in boiling]
    assert [T for T, _ in melting] == [Halx.T_SolidLiquid(P) for _, P in melting]
    assert [P for _, P in sublimation] == [Halx.P_SolidVapour(T) for T, _ in sublimation]
    assert ax.get_xlim() == (600.0, 1200.0)
    assert (ax.get_xlabel(), ax.get_ylabel()) == ("Temperature (°C)", "Pressure (bar)")


def test_phase_diagram_without_axes_draws_on_the_current_ones():
    plt = pytest.importorskip("matplotlib.pyplot")
    from Halx.plot import phase_diagram

    try:
        assert phase_diagram() is plt.gca()
    finally:
        plt.close("all")


def test_diagram_without_matplotlib_says_how_to_install_it(capsys, tmp_path, monkeypatch):
    monkeypatch.setitem(sys.modules, "matplotlib", None)  # makes `import matplotlib` fail
    path = tmp_path / "nacl.png"
    status, out, err = run(capsys, "diagram", "-o", str(path))
    assert status == 2
    assert err.count("\n") == 1 and "Traceback" not in err
    # The command works however Halx was installed: no release is on the package index yet.
    assert err.endswith("install it with: python -m pip install matplotlib\n")
    assert not path.exists()


# --- In a real process ---------------------------------------------------------------------


def halx_script():
    found = shutil.which("halx", path=sysconfig.get_path("scripts"))
    if found is None:
        pytest.skip("the halx script is not installed beside this interpreter")
    return [found]


@pytest.mark.parametrize("command", [lambda: [sys.executable, "-m", "Halx"], halx_script], ids=["-m", "script"])
def test_process_prints_values_and_reports_errors_in_one_line(command):
    good = subprocess.run(command() + ["eval", "P_Boiling", "1000"], capture_output=True, text=True)
    assert good.returncode == 0
    assert float(good.stdout.split()[0]) == h.P_Boiling(1000.0)
    bad = subprocess.run(command() + ["table", "--T", "700:1100"], capture_output=True, text=True)
    assert bad.returncode == 2
    assert bad.stdout == "" and bad.stderr.count("\n") == 1 and "Traceback" not in bad.stderr


def test_closed_pipe_ends_the_table_quietly():
    process = subprocess.Popen(
        [sys.executable, "-m", "Halx", "table", "--T", "0:99999:1"], stdout=subprocess.PIPE, stderr=subprocess.PIPE
    )
    process.stdout.read(100)
    process.stdout.close()
    err = process.stderr.read().decode()
    process.stderr.close()
    assert process.wait() == 1
    assert err == ""


def test_ctrl_c_exits_130_with_one_line():
    # As from a terminal: a test runner's worker may ignore SIGINT, and an
    # interpreter started with SIGINT ignored keeps ignoring it.
    process = subprocess.Popen(
        [sys.executable, "-m", "Halx", "table", "--T", "0:999:1", "--P", "0:999:1", "--csv"],
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
        text=True,
        preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL),
    )
    assert process.stdout.readline().startswith("T (°C),P (bar)")
    process.send_signal(signal.SIGINT)
    _, err = process.communicate(timeout=120)
    assert (process.returncode, err) == (130, "halx: interrupted\n")


@pytest.mark.parametrize(
    "argv, status, expected",
    [
        (["eval", "Rho_Liquid", "900", "100"], 0, ["1505.4437401142663 kg/m^3"]),
        (
            ["table", "--T", "800,900", "--P", "1", "--property", "Rho_Solid,T_Melting", "--digits", "3"],
            0,
            [
                "T (degC)  P (bar)  Rho_Solid (kg/m^3)  T_Melting (degC)",
                "--------  -------  ------------------  ----------------",
                "     800        1            1.91e+03               801",
                "     900        1            1.87e+03               801",
            ],
        ),
        (["table", "--T", "800", "--csv"], 0, ["T (degC),P_Boiling (bar),P_Sublimation (bar)", None]),
        (["table", "--help"], 0, None),
        (["eval", "T_Triple", "1"], 2, []),
    ],
)
def test_output_that_cannot_encode_the_units_falls_back_to_ascii(argv, status, expected):
    result = subprocess.run(
        [sys.executable, "-m", "Halx", *argv], capture_output=True, env={**os.environ, "PYTHONIOENCODING": "ascii"}
    )
    assert result.returncode == status
    assert b"Traceback" not in result.stderr and result.stderr.isascii()
    lines = result.stdout.decode("ascii").splitlines()
    if expected is not None:
        assert [line if wanted is not None else None for line, wanted in zip(lines, expected)] == expected
        assert len(lines) == len(expected)
