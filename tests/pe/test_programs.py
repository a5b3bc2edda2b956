"""Checks the Windows programs of both builds without running them: the right
executable format for their width, the GUI subsystem, only DLLs that every
Windows has, and the resources the screensaver carries. On a machine that
cannot run 32-bit code this is all the i686 programs get, so it reads the files
itself rather than trusting the linker's own tools."""

import os
import struct
import unittest

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("GLINT_BUILD", os.path.join(TOP, "build"))

# What each build must be: COFF machine, optional-header magic.
WIDTHS = {
    "win32": (0x014C, 0x010B),  # i386, PE32
    "win64": (0x8664, 0x020B),  # AMD64, PE32+
}
SUBSYSTEM_WINDOWS_GUI = 2
PROGRAMS = ("Glintbox.scr", "uninst_saver.exe", "install.exe")

# Every Windows from XP on has these; anything else would have to ship beside us.
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
    "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "version.dll",
    "winmm.dll", "wininet.dll", "msimg32.dll", "imm32.dll", "ws2_32.dll",
}


class PeFile:
    """The few parts of a PE image these checks read; every offset is checked."""

    def __init__(self, data, name):
        self.data, self.name = data, name
        if data[:2] != b"MZ":
            raise ValueError(f"{name}: no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{name}: no PE signature at {pe:#x}")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = self.u16(opt)
        self.subsystem = self.u16(opt + 68)
        directories = opt + (96 if self.magic == 0x010B else 112)
        self.directory_count = self.u32(directories - 4)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(min(self.directory_count, 16))]
        table = opt + optional_size
        self.sections = []
        for i in range(sections):
            _, vsize, va, raw_size, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((va, max(vsize, raw_size), raw))

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]  # struct.error past the end

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError(f"{self.name}: address {rva:#x} is in no section")

    def text(self, rva):
        at = self.offset(rva)
        end = self.data.index(b"\0", at)
        return self.data[at:end].decode("ascii")

    def imported_dlls(self):
        rva, _ = self.directories[1]
        names = []
        at = self.offset(rva)
        while True:
            lookup, _, _, name, first_thunk = struct.unpack_from("<IIIII", self.data, at)
            if lookup == 0 and name == 0 and first_thunk == 0:
                return names
            names.append(self.text(name).lower())
            at += 20

    def resources(self):
        """{type: {name: bytes}} of the first language of each entry; names
        are numbers or upper-case strings as in a .rc file."""
        rva, _ = self.directories[2]
        if rva == 0:
            return {}
        base = self.offset(rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                if ident & 0x80000000:
                    at = base + (ident & 0x7FFFFFFF)
                    length = self.u16(at)
                    key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                else:
                    key = ident
                yield key, target

        found = {}
        for type_key, type_dir in entries(0):
            found[type_key] = {}
            for name_key, name_dir in entries(type_dir & 0x7FFFFFFF):
                _, leaf = next(entries(name_dir & 0x7FFFFFFF))
                data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                at = self.offset(data_rva)
                found[type_key][name_key] = self.data[at:at + size]
        return found


def read_pe(path):
    with open(path, "rb") as f:
        return PeFile(f.read(), os.path.basename(path))


class ProgramFormat(unittest.TestCase):
    def check_program(self, build, program):
        path = os.path.join(BUILD, build, "bin", program)
        self.assertTrue(os.path.isfile(path), f"{path} was not built")
        pe = read_pe(path)
        machine, magic = WIDTHS[build]
        self.assertEqual((pe.machine, pe.magic), (machine, magic), f"{build}/{program}: wrong width")
        self.assertEqual(pe.subsystem, SUBSYSTEM_WINDOWS_GUI, f"{build}/{program}: not a GUI program")
        foreign = sorted(set(pe.imported_dlls()) - SYSTEM_DLLS)
        self.assertEqual(foreign, [], f"{build}/{program} needs DLLs that Windows does not have")
        self.assertIn("kernel32.dll", pe.imported_dlls())
        return pe

    def test_every_program_of_both_builds(self):
        for build in WIDTHS:
            for program in PROGRAMS:
                with self.subTest(build=build, program=program):
                    self.check_program(build, program)

    def test_screensaver_carries_uninstaller_and_skin_of_its_width(self):
        for build, (machine, magic) in WIDTHS.items():
            with self.subTest(build=build):
                resources = self.check_program(build, "Glintbox.scr").resources()
                self.assertIn(140, resources.get("UNINSTALL", {}), "no UNINSTALL/140")
                embedded = PeFile(resources["UNINSTALL"][140], "UNINSTALL/140")
                self.assertEqual((embedded.machine, embedded.magic), (machine, magic))
                self.assertEqual(embedded.subsystem, SUBSYSTEM_WINDOWS_GUI)
                with open(os.path.join(BUILD, build, "bin", "uninst_saver.exe"), "rb") as f:
                    self.assertEqual(resources["UNINSTALL"][140], f.read())
                skin = resources.get("GLAZE_WORK", {}).get("DEFAULT_SKIN")
                self.assertIsNotNone(skin, "no DEFAULT_SKIN of type GLAZE_WORK")
                self.assertGreater(len(skin), 64)

    def test_reader_refuses_what_is_not_a_program(self):
        with self.assertRaisesRegex(ValueError, "no MZ header"):
            PeFile(b"ELF" + bytes(100), "x")
        with self.assertRaisesRegex(ValueError, "no PE signature"):
            PeFile(b"MZ" + bytes(58) + struct.pack("<I", 64) + b"NE\0\0" + bytes(100), "x")


if __name__ == "__main__":
    unittest.main()
