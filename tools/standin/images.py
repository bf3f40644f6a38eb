"""Small deterministic cover and photo images, made without any imaging library."""
import struct
import zlib

# Standard luminance DC Huffman table (lengths 1..16, then the symbols).
_DC_BITS = [0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0]
_DC_VALS = list(range(12))


def _canonical_codes(bits, vals):
    codes, code, k = {}, 0, 0
    for length, count in enumerate(bits, start=1):
        for _ in range(count):
            codes[vals[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


_DC_CODES = _canonical_codes(_DC_BITS, _DC_VALS)


class _BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, length):
        for i in range(length - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                if self.acc == 0xFF:
                    self.out.append(0)  # byte stuffing
                self.acc = 0
                self.n = 0

    def flush(self):
        while self.n:
            self.put(1, 1)
        return bytes(self.out)


def _segment(marker, payload):
    return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload


def jpeg_gray(width, height, shade):
    """Baseline grayscale JPEG made of flat 8x8 blocks; shade(bx, by) gives 0..255."""
    bw, bh = (width + 7) // 8, (height + 7) // 8
    out = bytearray(b"\xff\xd8")
    out += _segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00")
    out += _segment(0xDB, b"\x00" + b"\x01" * 64)
    out += _segment(0xC0, struct.pack(">BHHB", 8, height, width, 1) + b"\x01\x11\x00")
    out += _segment(0xC4, b"\x00" + bytes(_DC_BITS) + bytes(_DC_VALS))
    # AC table with the end-of-block symbol only: every block is flat.
    out += _segment(0xC4, b"\x10" + bytes([1] + [0] * 15) + b"\x00")
    out += _segment(0xDA, b"\x01\x01\x00\x00\x3f\x00")
    bits = _BitWriter()
    prev = 0
    for by in range(bh):
        for bx in range(bw):
            dc = 8 * (max(0, min(255, int(shade(bx, by)))) - 128)
            diff, prev = dc - prev, dc
            size = abs(diff).bit_length()
            code, length = _DC_CODES[size]
            bits.put(code, length)
            if size:
                bits.put(diff if diff > 0 else diff + (1 << size) - 1, size)
            bits.put(0, 1)  # end of block
    out += bits.flush()
    out += b"\xff\xd9"
    return bytes(out)


def png_rgb(width, height, color):
    """RGB PNG; color(x, y) gives an (r, g, b) tuple."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw += bytes(color(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def _seed_of(name):
    return zlib.crc32(name.encode("utf-8"))


def image_for(name):
    """The image behind a file name: its extension picks the format, its name the pattern.
    Returns (bytes, content type), or None for an extension we do not make."""
    seed = _seed_of(name)
    lower = name.lower()
    if lower.endswith((".jpg", ".jpeg")):
        base = 60 + seed % 120
        return jpeg_gray(96, 128, lambda bx, by: base + ((bx + by + seed) % 4) * 25), "image/jpeg"
    if lower.endswith(".png"):
        r, g, b = 80 + seed % 150, 80 + (seed >> 8) % 150, 80 + (seed >> 16) % 150
        return png_rgb(48, 64, lambda x, y: (r, g, b) if (x // 8 + y // 8) % 2 else (b, r, g)), "image/png"
    return None
