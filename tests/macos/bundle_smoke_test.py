"""Smoke run of one slice of the macOS bundle in macho_loader: load it as
dyld would, then make the calls a host makes first."""
import argparse
import os
import struct
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from macho_loader import Emulator, LoaderError  # noqa: E402

ARGS = None
TABLES = ("CURVE_RIM_FALLOFF", "CURVE_PROFILE_FALLOFF", "CURVE_PROFILE_RISE")
# Byte sizes of the registration callback's arguments: five pointers, four
# 32-bit values, and the support URL of the newer entry.
CALLBACK_SIZES = [8, 8, 8, 8, 8, 4, 4, 4, 4, 8]
CALLBACK_RESULT = 0x5A
HOST_CONTEXT = 0x51DE0000


def native_tables():
    out = subprocess.run([ARGS.native_tables], check=True, capture_output=True, text=True).stdout
    tables = {}
    for line in out.splitlines():
        name, *bits = line.split()
        tables[name] = [int(b, 16) for b in bits]
    return tables


def load():
    with open(os.path.join(ARGS.bundle, "Contents", "MacOS", "Prismora"), "rb") as f:
        return Emulator(f.read(), ARGS.arch)


class StaticInitialisersTest(unittest.TestCase):
    def test_curve_tables_are_filled_at_load_and_equal_the_native_build_bit_for_bit(self):
        emu = load()
        before = {name: emu.read_floats(emu.symbol("_" + name), 256) for name in TABLES}
        # The tables are computed by the initialisers, not stored in the file.
        for name in TABLES:
            self.assertEqual(before[name], [0] * 256, name)
        self.assertGreater(emu.run_static_initialisers(), 0)
        native = native_tables()
        for name in TABLES:
            self.assertEqual(len(native[name]), 256, name)
            self.assertEqual(emu.read_floats(emu.symbol("_" + name), 256), native[name], name)


class RegistrationTest(unittest.TestCase):
    def setUp(self):
        self.emu = load()
        self.emu.run_static_initialisers()
        self.calls = []

    def record(self, count):
        def callback(emu):
            values = [emu.int_arg(i, CALLBACK_SIZES[:count]) for i in range(count)]
            for i in (1, 2, 3, 4) + ((9,) if count == 10 else ()):
                values[i] = emu.read_cstring(values[i])
            self.calls.append(values)
            return CALLBACK_RESULT
        return callback

    def register(self, export, count):
        callback = self.emu.stub("registration callback", self.record(count))
        result = self.emu.call(self.emu.export(export), [HOST_CONTEXT, callback, 0, 0, 0])
        self.assertEqual(result & 0xFFFFFFFF, CALLBACK_RESULT)
        self.assertEqual(len(self.calls), 1)
        return self.calls[0]

    def test_older_entry_passes_nine_values_with_api_13_27(self):
        self.assertEqual(self.register("_PluginDataEntryFunction", 9),
                         [HOST_CONTEXT, b"Prismora", b"VantrellePrismora", b"Vantrelle", b"EntryPointFunc",
                          0x65464B54, 13, 27, 8])

    def test_newer_entry_passes_ten_values_with_api_13_28_and_an_empty_url(self):
        self.assertEqual(self.register("_PluginDataEntryFunction2", 10),
                         [HOST_CONTEXT, b"Prismora", b"VantrellePrismora", b"Vantrelle", b"EntryPointFunc",
                          0x65464B54, 13, 28, 8, b""])


class EntryPointTest(unittest.TestCase):
    def test_a_command_outside_the_table_returns_0_without_touching_anything(self):
        emu = load()
        emu.run_static_initialisers()
        pattern = bytes(range(256)) * 16
        records = [emu.place_bytes(pattern) for _ in range(5)]
        calls = []
        for address, name in emu.stub_names.items():
            handler = emu.stub_handlers[address]
            emu.stub_handlers[address] = (lambda h, n: lambda e: (calls.append(n), h(e) if h else None)[1])(
                handler, name)
        for command in (25, -1, 14):
            result = emu.call(emu.export("_EntryPointFunc"), [command] + records)
            self.assertEqual(result & 0xFFFFFFFF, 0, command)
        self.assertEqual([n for n in calls if n != "<return to loader>"], [])
        for address in records:
            self.assertEqual(bytes(emu.uc.mem_read(address, len(pattern))), pattern)


class LoaderRefusesWhatItCannotRunTest(unittest.TestCase):
    def test_a_call_to_an_import_without_a_stub_stops_with_its_name(self):
        emu = load()
        # pthread_create is imported (the parallel-for) but has no stub.
        address = emu.import_address("_pthread_create")
        with self.assertRaisesRegex(LoaderError, "_pthread_create"):
            emu.call(address)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--bundle", required=True)
    parser.add_argument("--arch", required=True, choices=["arm64", "x86_64"])
    parser.add_argument("--native-tables", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
