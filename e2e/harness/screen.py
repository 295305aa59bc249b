"""What a screenshot shows, pixel by pixel."""
import subprocess

WHITE = b"\xff\xff\xff"


def rgb(picture, width, height):
    """A picture's pixels as bytes, three a pixel, row after row: a file's, or a
    grab's (xwd bytes)."""
    grabbed = isinstance(picture, bytes)
    raw = subprocess.run(["convert", "xwd:-" if grabbed else str(picture), "-depth", "8", "rgb:-"],
                         input=picture if grabbed else None, capture_output=True, check=True).stdout
    assert len(raw) == width * height * 3, len(raw)
    return raw


def stars(raw, width, box=None):
    """The white pixels inside box (left, top, right, bottom; all unless told),
    and the cores among them: those whose four neighbours are lit, the middles
    of the plus-shaped stars."""
    height = len(raw) // 3 // width
    left, top, right, bottom = box or (0, 0, width, height)
    lit = lambda p: raw[3 * p] or raw[3 * p + 1] or raw[3 * p + 2]  # noqa: E731
    whites, cores = [], []
    start = 0
    while (i := raw.find(WHITE, start)) >= 0:
        start = i + 1
        p = i // 3
        x, y = p % width, p // width
        if i % 3 or not (left <= x < right and top <= y < bottom):
            continue
        whites.append((x, y))
        if 0 < x < width - 1 and 0 < y < height - 1 and all(lit(q) for q in (p - 1, p + 1, p - width, p + width)):
            cores.append((x, y))
    return whites, cores


def black_edges(raw, width):
    """The share of the picture's outermost pixels (first and last row and
    column) that are black: near 1 where one black picture covers it whole."""
    row = 3 * width
    height = len(raw) // row
    edges = raw[:row] + raw[-row:] + b"".join(raw[y * row:y * row + 3] + raw[(y + 1) * row - 3:(y + 1) * row]
                                             for y in range(height))
    return sum(edges[i:i + 3] == b"\0\0\0" for i in range(0, len(edges), 3)) / (len(edges) // 3)
