#!/usr/bin/env python3
"""Writes a synthetic PE32 DLL with many named exports of short functions.

    make_synthetic_dll.py OUT.dll [COUNT] [--expected OUT.tsv]

Every function is 16 bytes: a few ordinary instructions, then a
return, padded with int3. Names that look stdcall ("_Name@8") end in
"retn 0008h", the others in a plain "ret", so the argument column of a correct
listing is known in advance; --expected writes it as "name<TAB>args" lines in
name-table order. The name table is sorted by bytes, as the loader's binary
search needs, and names map to function slots in shuffled order, as they do in
real DLLs. The output depends only on COUNT.
"""
import random
import struct
import sys

IMAGE_BASE = 0x10000000
SECTION_ALIGN = 0x1000
FILE_ALIGN = 0x200
HEADERS_SIZE = 0x400
FUNCTION_SIZE = 16
MAX_NAMED_FUNCTIONS = 65536

MODULES = ["Kv", "Ksv", "Doc", "Net", "Gfx", "Snd", "Ui", "Db", "Io", "Xml", "Rpc", "Crypt"]
VERBS = ["Open", "Close", "Read", "Write", "Create", "Destroy", "Get", "Set", "Query", "Update",
         "Enum", "Find", "Register", "Validate", "Flush", "Lock", "Unlock", "Attach", "Detach", "Convert"]
OBJECTS = ["Stream", "Buffer", "Window", "Handle", "Context", "Device", "Surface", "Record", "Table",
           "Session", "Socket", "Channel", "Attribute", "Property", "Element", "Document", "Palette",
           "Resource", "Callback", "Transaction"]

# Bodies before the return; each decodes to whole instructions.
STDCALL_BODIES = [
    bytes.fromhex("558bec8b45085d"),        # push ebp; mov ebp, esp; mov eax, [ebp+8]; pop ebp
    bytes.fromhex("8b44240485c0740233c0"),  # mov eax, [esp+4]; test eax, eax; jz +2; xor eax, eax
    bytes.fromhex("568b7424088bc65e"),      # push esi; mov esi, [esp+8]; mov eax, esi; pop esi
]
CDECL_BODIES = [
    bytes.fromhex("558bec33c05d"),          # push ebp; mov ebp, esp; xor eax, eax; pop ebp
    bytes.fromhex("8b44240440"),            # mov eax, [esp+4]; inc eax
    bytes.fromhex("b801000000"),            # mov eax, 1
]
ARG_BYTES = [4, 8, 12, 16, 20, 24, 32]


def align(value, to):
    return (value + to - 1) // to * to


def make_slots(count, rng):
    """(style, function body, expected estimate) for each function slot."""
    slots = []
    for s in range(count):
        style = rng.randrange(3)
        if style == 0:  # stdcall
            arg_bytes = rng.choice(ARG_BYTES)
            body = rng.choice(STDCALL_BODIES) + bytes([0xC2, arg_bytes, 0x00])
            slots.append((style, arg_bytes, body.ljust(FUNCTION_SIZE, b"\xcc"), arg_bytes // 4))
        else:
            body = rng.choice(CDECL_BODIES) + b"\xc3"
            slots.append((style, 0, body.ljust(FUNCTION_SIZE, b"\xcc"), 0))
    return slots


def make_name(i, style, arg_bytes, rng):
    """A unique name of realistic length that matches the calling convention."""
    module, verb, obj = rng.choice(MODULES), rng.choice(VERBS), rng.choice(OBJECTS)
    if style == 0:  # stdcall C API
        return f"_{module}{verb}{obj}Ex{i:06d}@{arg_bytes}".encode()
    if style == 1:  # cdecl C API
        return f"{module.lower()}_{verb.lower()}_{obj.lower()}_{i:06d}".encode()
    cls = f"{obj}{i:06d}"  # C++ member
    return f"_ZN{len(module)}{module}{len(cls)}{cls}{len(verb)}{verb}Ev".encode()


def build(count):
    rng = random.Random(20260 + count)
    # The name-ordinal table holds 16-bit indices, so no more than 65,536
    # functions can have names: larger counts share functions between names,
    # each name looking like its function's calling convention.
    slot_count = min(count, MAX_NAMED_FUNCTIONS)
    slots = make_slots(slot_count, rng)
    slot_of = list(range(slot_count))
    rng.shuffle(slot_of)
    export_slots = [slot_of[i % slot_count] for i in range(count)]
    names = [make_name(i, slots[s][0], slots[s][1], rng) for i, s in enumerate(export_slots)]

    text_rva = SECTION_ALIGN
    text_size = slot_count * FUNCTION_SIZE
    text = b"".join(slot[2] for slot in slots)

    order = sorted(range(count), key=lambda k: names[k])
    edata_rva = text_rva + align(text_size, SECTION_ALIGN)
    dll_name = b"synthetic.dll\0"
    functions_at = 40
    names_at = functions_at + 4 * slot_count
    ordinals_at = names_at + 4 * count
    dll_name_at = ordinals_at + 2 * count
    strings_at = dll_name_at + len(dll_name)

    functions = struct.pack(f"<{slot_count}I", *(text_rva + s * FUNCTION_SIZE for s in range(slot_count)))
    name_rvas, ordinals, strings = [], [], bytearray()
    for k in order:
        name_rvas.append(edata_rva + strings_at + len(strings))
        strings += names[k] + b"\0"
        ordinals.append(export_slots[k])
    directory = struct.pack("<IIHHIIIIIII", 0, 0, 0, 0, edata_rva + dll_name_at, 1, slot_count, count,
                            edata_rva + functions_at, edata_rva + names_at, edata_rva + ordinals_at)
    edata = (directory + functions + struct.pack(f"<{count}I", *name_rvas) +
             struct.pack(f"<{count}H", *ordinals) + dll_name + strings)

    text_raw = align(len(text), FILE_ALIGN)
    edata_raw = align(len(edata), FILE_ALIGN)
    size_of_image = edata_rva + align(len(edata), SECTION_ALIGN)

    dos = bytearray(0x80)
    dos[0:2] = b"MZ"
    struct.pack_into("<i", dos, 0x3C, 0x80)
    file_header = struct.pack("<HHIIIHH", 0x14C, 2, 0, 0, 0, 0xE0, 0x2102)
    data_dirs = [(0, 0)] * 16
    data_dirs[0] = (edata_rva, len(edata))
    optional = struct.pack("<HBB9I6H4I2H6I", 0x10B, 2, 40, text_raw, edata_raw, 0, 0, text_rva, edata_rva,
                           IMAGE_BASE, SECTION_ALIGN, FILE_ALIGN, 4, 0, 1, 0, 4, 0, 0, size_of_image,
                           HEADERS_SIZE, 0, 3, 0, 0x200000, 0x1000, 0x100000, 0x1000, 0, 16)
    optional += b"".join(struct.pack("<II", rva, size) for rva, size in data_dirs)
    sections = struct.pack("<8sIIIIIIHHI", b".text", len(text), text_rva, text_raw, HEADERS_SIZE,
                           0, 0, 0, 0, 0x60000020)
    sections += struct.pack("<8sIIIIIIHHI", b".edata", len(edata), edata_rva, edata_raw,
                            HEADERS_SIZE + text_raw, 0, 0, 0, 0, 0x40000040)
    headers = bytes(dos) + b"PE\0\0" + file_header + optional + sections
    assert len(headers) <= HEADERS_SIZE

    image = headers.ljust(HEADERS_SIZE, b"\0") + bytes(text).ljust(text_raw, b"\0") + edata.ljust(edata_raw, b"\0")
    expected = [(names[k], slots[export_slots[k]][3]) for k in order]
    return image, expected


def main(argv):
    args = [a for a in argv[1:]]
    expected_path = None
    if "--expected" in args:
        at = args.index("--expected")
        expected_path = args[at + 1]
        del args[at:at + 2]
    if not 1 <= len(args) <= 2:
        sys.exit("usage: make_synthetic_dll.py OUT.dll [COUNT] [--expected OUT.tsv]")
    count = int(args[1]) if len(args) == 2 else 200_000
    image, expected = build(count)
    with open(args[0], "wb") as out:
        out.write(image)
    if expected_path:
        with open(expected_path, "wb") as out:
            out.write(b"".join(name + b"\t" + str(args_).encode() + b"\n" for name, args_ in expected))


if __name__ == "__main__":
    main(sys.argv)
