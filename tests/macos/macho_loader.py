"""A small Mach-O bundle loader on the unicorn CPU emulator, for smoke runs
of the macOS bundle's slices on a Linux machine.

What it does: picks one slice of a universal file, maps its segments,
applies the rebase opcodes, binds every import (eager and lazy) to a stub of
its own, runs the static initialisers, and calls exported functions with
integer and pointer arguments, as dyld and a host would in the simplest case.

What it does not do, and says so by failing: chained fixups, threads,
thread-local variables, C++ exceptions (no unwinder runs here), signals, and
any import that has no stub below. A call to such an import stops the run
with its name. Weak-definition binds are not applied: with no other image
loaded, every weak symbol already resolves to the bundle's own definition.
It is not the host: nothing here says the bundle renders inside it.
"""
import struct

import unicorn
from unicorn import arm64_const, x86_const

CPU_TYPE_X86_64 = 0x01000007
CPU_TYPE_ARM64 = 0x0100000C
MH_MAGIC_64 = 0xFEEDFACF
FAT_MAGIC = 0xCAFEBABE
LC_SYMTAB = 0x2
LC_SEGMENT_64 = 0x19
LC_DYLD_INFO_ONLY = 0x80000022
LC_DYLD_CHAINED_FIXUPS = 0x80000034
S_MOD_INIT_FUNC_POINTERS = 0x9
S_INIT_FUNC_OFFSETS = 0x16

ARCH_CPU = {"x86_64": CPU_TYPE_X86_64, "arm64": CPU_TYPE_ARM64}

PAGE = 0x4000
IMAGE_BASE = 0x100000000
STUB_BASE = 0x7F0000000
STUB_SIZE = 0x10000
STUB_SLOT = 16
HEAP_BASE = 0x7F1000000
HEAP_SIZE = 0x1000000
STACK_BASE = 0x7F3000000
STACK_SIZE = 0x100000
SCRATCH_BASE = 0x7F4000000
SCRATCH_SIZE = 0x100000

RET_X86 = b"\xc3"
RET_ARM64 = struct.pack("<I", 0xD65F03C0)


class LoaderError(Exception):
    pass


def page_down(v):
    return v & ~(PAGE - 1)


def page_up(v):
    return (v + PAGE - 1) & ~(PAGE - 1)


def read_uleb(data, pos):
    result, shift = 0, 0
    while True:
        b = data[pos]
        pos += 1
        result |= (b & 0x7F) << shift
        shift += 7
        if b < 0x80:
            return result, pos


def read_sleb(data, pos):
    result, shift = 0, 0
    while True:
        b = data[pos]
        pos += 1
        result |= (b & 0x7F) << shift
        shift += 7
        if b < 0x80:
            if b & 0x40:
                result -= 1 << shift
            return result, pos


def read_cstring(data, pos):
    end = data.index(b"\0", pos)
    return data[pos:end].decode(), end + 1


def thin_slice(data, arch):
    """The bytes of one architecture's slice of a universal or thin file."""
    cpu = ARCH_CPU[arch]
    (magic,) = struct.unpack_from(">I", data, 0)
    if magic == FAT_MAGIC:
        (count,) = struct.unpack_from(">I", data, 4)
        for i in range(count):
            cputype, _, offset, size, _ = struct.unpack_from(">iiIII", data, 8 + 20 * i)
            if cputype == cpu:
                return data[offset:offset + size]
        raise LoaderError("no %s slice" % arch)
    (magic, cputype) = struct.unpack_from("<Ii", data, 0)
    if magic != MH_MAGIC_64 or cputype != cpu:
        raise LoaderError("not a 64-bit Mach-O file for %s" % arch)
    return data


class MachOImage:
    """The parts of one slice that loading needs."""

    def __init__(self, data):
        self.data = data
        magic, self.cputype, _, self.filetype, ncmds, _, _, _ = struct.unpack_from("<IiiIIIII", data, 0)
        if magic != MH_MAGIC_64:
            raise LoaderError("not a 64-bit Mach-O slice")
        self.segments, self.sections = [], []
        self.dyld_info = None
        self.symtab = None
        pos = 32
        for _ in range(ncmds):
            cmd, size = struct.unpack_from("<II", data, pos)
            if cmd == LC_SEGMENT_64:
                name = data[pos + 8:pos + 24].rstrip(b"\0").decode()
                vmaddr, vmsize, fileoff, filesize, _, _, nsects, _ = struct.unpack_from("<QQQQiiII", data, pos + 24)
                self.segments.append((name, vmaddr, vmsize, fileoff, filesize))
                for s in range(nsects):
                    at = pos + 72 + 80 * s
                    sectname = data[at:at + 16].rstrip(b"\0").decode()
                    addr, sect_size, _, _, _, _, flags = struct.unpack_from("<QQIIIII", data, at + 32)
                    self.sections.append((name, sectname, addr, sect_size, flags))
            elif cmd == LC_DYLD_INFO_ONLY:
                self.dyld_info = struct.unpack_from("<10I", data, pos + 8)
            elif cmd == LC_SYMTAB:
                self.symtab = struct.unpack_from("<4I", data, pos + 8)
            elif cmd == LC_DYLD_CHAINED_FIXUPS:
                raise LoaderError("chained fixups are not supported")
            pos += size
        if self.dyld_info is None:
            raise LoaderError("no LC_DYLD_INFO_ONLY")

    def blob(self, offset, size):
        return self.data[offset:offset + size]

    def exports(self):
        """The export trie as {name: image offset}, as dyld looks names up."""
        export_off, export_size = self.dyld_info[8], self.dyld_info[9]
        trie = self.blob(export_off, export_size)
        found = {}

        def walk(node, prefix):
            size, pos = read_uleb(trie, node)
            if size:
                flags, at = read_uleb(trie, pos)
                address, _ = read_uleb(trie, at)
                if flags & 0x18:
                    raise LoaderError("re-exports and stub-and-resolver exports are not supported")
                found[prefix] = address
            pos += size
            count = trie[pos]
            pos += 1
            for _ in range(count):
                edge, pos = read_cstring(trie, pos)
                child, pos = read_uleb(trie, pos)
                walk(child, prefix + edge)

        if trie:
            walk(0, "")
        return found

    def symbols(self):
        """Every defined symbol of the symbol table, local ones included."""
        symoff, nsyms, stroff, _ = self.symtab
        table = {}
        for i in range(nsyms):
            strx, ntype, _, _, value = struct.unpack_from("<IBBHQ", self.data, symoff + 16 * i)
            if ntype & 0xE0 == 0 and ntype & 0x0E == 0x0E:
                name, _ = read_cstring(self.data, stroff + strx)
                table[name] = value
        return table


class Emulator:
    """One slice mapped into a fresh emulated machine."""

    def __init__(self, bundle_bytes, arch):
        self.arch = arch
        self.image = MachOImage(thin_slice(bundle_bytes, arch))
        if arch == "arm64":
            self.uc = unicorn.Uc(unicorn.UC_ARCH_ARM64, unicorn.UC_MODE_ARM)
            self.uc.reg_write(arm64_const.UC_ARM64_REG_CPACR_EL1, 3 << 20)
            self.ret = RET_ARM64
        else:
            self.uc = unicorn.Uc(unicorn.UC_ARCH_X86, unicorn.UC_MODE_64)
            self.ret = RET_X86
        self.slide = IMAGE_BASE
        self.imports = {}
        self.stub_names = {}
        self.stub_handlers = {}
        self.failure = None
        self.heap_next = HEAP_BASE
        self.atexit = []
        self._map()
        self._rebase()
        self._bind(self.image.dyld_info[2], self.image.dyld_info[3], lazy=False)
        self._bind(self.image.dyld_info[6], self.image.dyld_info[7], lazy=True)
        self.exit_address = self.stub("<return to loader>", lambda emu: None)
        self.uc.hook_add(unicorn.UC_HOOK_CODE, self._on_stub, begin=STUB_BASE, end=STUB_BASE + STUB_SIZE - 1)
        self.uc.hook_add(unicorn.UC_HOOK_MEM_UNMAPPED, self._on_unmapped)

    # --- memory -----------------------------------------------------------
    def _map(self):
        low = min(s[1] for s in self.image.segments if s[2])
        high = max(s[1] + s[2] for s in self.image.segments)
        self.uc.mem_map(self.slide + page_down(low), page_up(high) - page_down(low))
        for _, vmaddr, _, fileoff, filesize in self.image.segments:
            if filesize:
                self.uc.mem_write(self.slide + vmaddr, self.image.blob(fileoff, filesize))
        self.uc.mem_map(STUB_BASE, STUB_SIZE)
        self.uc.mem_map(HEAP_BASE, HEAP_SIZE)
        self.uc.mem_map(STACK_BASE, STACK_SIZE)
        self.uc.mem_map(SCRATCH_BASE, SCRATCH_SIZE)
        self.scratch_next = SCRATCH_BASE

    def read_u64(self, address):
        return struct.unpack("<Q", self.uc.mem_read(address, 8))[0]

    def write_u64(self, address, value):
        self.uc.mem_write(address, struct.pack("<Q", value & 0xFFFFFFFFFFFFFFFF))

    def read_cstring(self, address, limit=4096):
        out = bytearray()
        while len(out) < limit:
            b = self.uc.mem_read(address + len(out), 1)[0]
            if b == 0:
                return bytes(out)
            out.append(b)
        raise LoaderError("unterminated string at 0x%x" % address)

    def read_floats(self, address, count):
        return list(struct.unpack("<%dI" % count, self.uc.mem_read(address, 4 * count)))

    def place_bytes(self, data):
        """Puts bytes into the loader's own scratch memory; returns where."""
        at = self.scratch_next
        self.uc.mem_write(at, data)
        self.scratch_next = (at + len(data) + 15) & ~15
        return at

    def malloc(self, size):
        at = self.heap_next
        self.heap_next = (at + max(size, 1) + 15) & ~15
        if self.heap_next > HEAP_BASE + HEAP_SIZE:
            raise LoaderError("emulated heap exhausted")
        return at

    # --- fixups -------------------------------------------------------------
    def _segment_address(self, index, offset):
        return self.slide + self.image.segments[index][1] + offset

    def _rebase(self):
        off, size = self.image.dyld_info[0], self.image.dyld_info[1]
        ops = self.image.blob(off, size)
        pos, address = 0, 0
        while pos < len(ops):
            op, imm = ops[pos] & 0xF0, ops[pos] & 0x0F
            pos += 1
            if op == 0x00:
                break
            elif op == 0x10:
                if imm != 1:
                    raise LoaderError("rebase type %d is not supported" % imm)
            elif op == 0x20:
                offset, pos = read_uleb(ops, pos)
                address = self._segment_address(imm, offset)
            elif op == 0x30:
                delta, pos = read_uleb(ops, pos)
                address += delta
            elif op == 0x40:
                address += imm * 8
            elif op in (0x50, 0x60, 0x70, 0x80):
                if op == 0x50:
                    count, skip = imm, 0
                elif op == 0x60:
                    count, pos = read_uleb(ops, pos)
                    skip = 0
                elif op == 0x70:
                    count = 1
                    skip, pos = read_uleb(ops, pos)
                else:
                    count, pos = read_uleb(ops, pos)
                    skip, pos = read_uleb(ops, pos)
                for _ in range(count):
                    self.write_u64(address, self.read_u64(address) + self.slide)
                    address += 8 + skip
            else:
                raise LoaderError("unknown rebase opcode 0x%02x" % op)

    def _bind(self, off, size, lazy):
        ops = self.image.blob(off, size)
        pos, address, symbol, addend = 0, 0, None, 0

        def bind():
            self.write_u64(address, self.import_address(symbol) + addend)

        while pos < len(ops):
            op, imm = ops[pos] & 0xF0, ops[pos] & 0x0F
            pos += 1
            if op == 0x00:
                if not lazy:
                    break
            elif op in (0x10, 0x30):
                pass
            elif op == 0x20:
                _, pos = read_uleb(ops, pos)
            elif op == 0x40:
                symbol, pos = read_cstring(ops, pos)
            elif op == 0x50:
                if imm != 1:
                    raise LoaderError("bind type %d is not supported" % imm)
            elif op == 0x60:
                addend, pos = read_sleb(ops, pos)
            elif op == 0x70:
                offset, pos = read_uleb(ops, pos)
                address = self._segment_address(imm, offset)
            elif op == 0x80:
                delta, pos = read_uleb(ops, pos)
                address = (address + delta) & 0xFFFFFFFFFFFFFFFF
            elif op == 0x90:
                bind()
                address += 8
            elif op == 0xA0:
                delta, pos = read_uleb(ops, pos)
                bind()
                address = (address + 8 + delta) & 0xFFFFFFFFFFFFFFFF
            elif op == 0xB0:
                bind()
                address += 8 + imm * 8
            elif op == 0xC0:
                count, pos = read_uleb(ops, pos)
                skip, pos = read_uleb(ops, pos)
                for _ in range(count):
                    bind()
                    address += 8 + skip
            else:
                raise LoaderError("unknown bind opcode 0x%02x" % op)

    # --- stubs --------------------------------------------------------------
    def stub(self, name, handler):
        """A callable address of the loader's own; handler(emu) runs when
        the emulated code jumps there, then the stub returns."""
        slot = len(self.stub_names)
        if (slot + 1) * STUB_SLOT > STUB_SIZE:
            raise LoaderError("too many stubs")
        address = STUB_BASE + slot * STUB_SLOT
        self.uc.mem_write(address, self.ret)
        self.stub_names[address] = name
        self.stub_handlers[address] = handler
        return address

    def import_address(self, symbol):
        if symbol not in self.imports:
            self.imports[symbol] = self.stub(symbol, LIBSYSTEM_STUBS.get(symbol))
        return self.imports[symbol]

    def _on_stub(self, uc, address, size, _):
        handler = self.stub_handlers.get(address)
        if handler is None:
            self.failure = "call to %s, which the loader does not provide" % self.stub_names.get(address, hex(address))
            uc.emu_stop()
            return
        try:
            result = handler(self)
        except Exception as error:  # reported after the run stops
            self.failure = "%s: %s" % (self.stub_names[address], error)
            uc.emu_stop()
            return
        if result is not None:
            self.set_result(result)

    def _on_unmapped(self, uc, access, address, size, value, _):
        self.failure = "access to unmapped memory at 0x%x" % address
        return False

    # --- calls --------------------------------------------------------------
    def arg(self, index):
        """Integer argument `index` of the stub being run, as 64 bits."""
        if self.arch == "arm64":
            if index < 8:
                return self.uc.reg_read(arm64_const.UC_ARM64_REG_X0 + index)
            raise LoaderError("stack arguments need their types; use stack_arg")
        regs = [x86_const.UC_X86_REG_RDI, x86_const.UC_X86_REG_RSI, x86_const.UC_X86_REG_RDX,
                x86_const.UC_X86_REG_RCX, x86_const.UC_X86_REG_R8, x86_const.UC_X86_REG_R9]
        if index < 6:
            return self.uc.reg_read(regs[index])
        raise LoaderError("stack arguments need their types; use stack_arg")

    def int_arg(self, index, sizes):
        """Argument `index` of a call whose integer arguments have the byte
        sizes `sizes`, read as a signed value. Apple's arm64 convention packs
        stack arguments at their natural size and alignment; x86-64 gives
        each its own 8-byte slot above the return address."""
        registers = 8 if self.arch == "arm64" else 6
        size = sizes[index]
        if index < registers:
            value = self.arg(index) & ((1 << (8 * size)) - 1)
        else:
            if self.arch == "arm64":
                offset = 0
                for s in sizes[registers:index]:
                    offset = (offset + s - 1) // s * s + s
                offset = (offset + size - 1) // size * size
                at = self.uc.reg_read(arm64_const.UC_ARM64_REG_SP) + offset
            else:
                at = self.uc.reg_read(x86_const.UC_X86_REG_RSP) + 8 * (index - registers + 1)
            value = int.from_bytes(self.uc.mem_read(at, size), "little")
        if value >= 1 << (8 * size - 1):
            value -= 1 << (8 * size)
        return value

    def set_result(self, value):
        reg = arm64_const.UC_ARM64_REG_X0 if self.arch == "arm64" else x86_const.UC_X86_REG_RAX
        self.uc.reg_write(reg, value & 0xFFFFFFFFFFFFFFFF)

    def call(self, address, args=(), instruction_limit=50_000_000):
        """Calls a function with up to six integer or pointer arguments and
        returns its 64-bit integer result."""
        if len(args) > 6:
            raise LoaderError("at most six arguments")
        top = STACK_BASE + STACK_SIZE - 0x100
        if self.arch == "arm64":
            for i, a in enumerate(args):
                self.uc.reg_write(arm64_const.UC_ARM64_REG_X0 + i, a & 0xFFFFFFFFFFFFFFFF)
            self.uc.reg_write(arm64_const.UC_ARM64_REG_SP, top)
            self.uc.reg_write(arm64_const.UC_ARM64_REG_LR, self.exit_address)
        else:
            regs = [x86_const.UC_X86_REG_RDI, x86_const.UC_X86_REG_RSI, x86_const.UC_X86_REG_RDX,
                    x86_const.UC_X86_REG_RCX, x86_const.UC_X86_REG_R8, x86_const.UC_X86_REG_R9]
            for i, a in enumerate(args):
                self.uc.reg_write(regs[i], a & 0xFFFFFFFFFFFFFFFF)
            sp = top - 8
            self.write_u64(sp, self.exit_address)
            self.uc.reg_write(x86_const.UC_X86_REG_RSP, sp)
        self.failure = None
        try:
            self.uc.emu_start(address, self.exit_address, count=instruction_limit)
        except unicorn.UcError as error:
            raise LoaderError("%s (%s)" % (self.failure or "emulation stopped", error)) from None
        if self.failure:
            raise LoaderError(self.failure)
        pc = self.uc.reg_read(arm64_const.UC_ARM64_REG_PC if self.arch == "arm64" else x86_const.UC_X86_REG_RIP)
        if pc != self.exit_address:
            raise LoaderError("the call did not return (stopped at 0x%x)" % pc)
        reg = arm64_const.UC_ARM64_REG_X0 if self.arch == "arm64" else x86_const.UC_X86_REG_RAX
        return self.uc.reg_read(reg)

    def run_static_initialisers(self):
        """Runs the initialiser functions in the order the slice lists them,
        as dyld does before anyone may call into the image; returns how many
        ran."""
        count = 0
        for _, sectname, addr, size, flags in self.image.sections:
            kind = flags & 0xFF
            if kind == S_INIT_FUNC_OFFSETS:
                raise LoaderError("initialiser offsets are not supported")
            if kind != S_MOD_INIT_FUNC_POINTERS:
                continue
            for i in range(size // 8):
                self.call(self.read_u64(self.slide + addr + 8 * i))
                count += 1
        return count

    def export(self, name):
        exports = self.image.exports()
        if name not in exports:
            raise LoaderError("no export " + name)
        return self.slide + exports[name]

    def symbol(self, name):
        return self.slide + self.image.symbols()[name]


# --- libSystem, as far as the smoke run reaches ------------------------------
def _memcpy(emu):
    dst, src, n = emu.arg(0), emu.arg(1), emu.arg(2)
    if n:
        emu.uc.mem_write(dst, bytes(emu.uc.mem_read(src, n)))
    return dst


def _memset(emu):
    dst, value, n = emu.arg(0), emu.arg(1), emu.arg(2)
    if n:
        emu.uc.mem_write(dst, bytes([value & 0xFF]) * n)
    return dst


def _bzero(emu):
    dst, n = emu.arg(0), emu.arg(1)
    if n:
        emu.uc.mem_write(dst, bytes(n))
    return None


def _calloc(emu):
    size = emu.arg(0) * emu.arg(1)
    at = emu.malloc(size)
    emu.uc.mem_write(at, bytes(size))
    return at


def _strlen(emu):
    return len(emu.read_cstring(emu.arg(0), limit=1 << 20))


def _atexit(emu):
    emu.atexit.append((emu.arg(0), emu.arg(1)))
    return 0


LIBSYSTEM_STUBS = {
    "_malloc": lambda emu: emu.malloc(emu.arg(0)),
    "_calloc": _calloc,
    "_free": lambda emu: None,
    "_memcpy": _memcpy,
    "_memmove": _memcpy,
    "_memset": _memset,
    "___bzero": _bzero,
    "_bzero": _bzero,
    "_strlen": _strlen,
    "___cxa_atexit": _atexit,
}
