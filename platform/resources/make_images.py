#!/usr/bin/env python3
"""Draws the program's bitmaps and writes them as XPM files into images/.

Run it again after changing a picture; the XPM files are what the build uses.
Every picture is 16 pixels high (the tool bar strips 15) on a magenta
background, which the program treats as transparent.
"""
import math
import os

PALETTE = {
    '.': '#FF00FF',  # transparent
    '#': '#000000',
    'w': '#FFFFFF',
    'g': '#808080',
    'l': '#C0C0C0',
    'b': '#2040C0',
    'c': '#80C0FF',
    'y': '#F0D040',
    'r': '#C02020',
    'n': '#206020',
}


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [['.'] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, l, t, r, b, c):  # outline, inclusive corners
        for x in range(l, r + 1):
            self.set(x, t, c); self.set(x, b, c)
        for y in range(t, b + 1):
            self.set(l, y, c); self.set(r, y, c)

    def fill(self, l, t, r, b, c):
        for y in range(t, b + 1):
            for x in range(l, r + 1):
                self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        n = max(abs(x1 - x0), abs(y1 - y0))
        for i in range(n + 1):
            self.set(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n), c)

    def ellipse(self, l, t, r, b, outline, inside=None):
        cx, cy = (l + r) / 2, (t + b) / 2
        rx, ry = (r - l + 1) / 2, (b - t + 1) / 2
        def inner(x, y, shrink):
            return ((x - cx) / (rx - shrink)) ** 2 + ((y - cy) / (ry - shrink)) ** 2 <= 1
        for y in range(t, b + 1):
            for x in range(l, r + 1):
                if inner(x, y, 0):
                    self.set(x, y, inside if inner(x, y, 1) and inside else outline
                             if not inner(x, y, 1) else self.px[y][x])

    def art(self, x, y, rows):
        for j, row in enumerate(rows):
            for i, c in enumerate(row):
                if c != ' ':
                    self.set(x + i, y + j, c)

    def paste(self, other, x, y):
        for j in range(other.h):
            for i in range(other.w):
                self.set(x + i, y + j, other.px[j][i])


def write_xpm(name, canvas):
    used = sorted({c for row in canvas.px for c in row})
    lines = ['/* XPM */', 'static const char* image_%s[] = {' % name,
             '"%d %d %d 1",' % (canvas.w, canvas.h, len(used))]
    lines += ['"%s c %s",' % (c, PALETTE[c]) for c in used]
    lines += ['"%s",' % ''.join(row) for row in canvas.px]
    lines[-1] = lines[-1].rstrip(',')
    lines.append('};')
    with open(os.path.join(os.path.dirname(__file__), 'images', name + '.xpm'), 'w') as f:
        f.write('\n'.join(lines) + '\n')


def tool(draw):
    c = Canvas(16, 16)
    draw(c)
    return c


ARROW = ['#', '##', '#w#', '#ww#', '#www#', '#wwww#', '#wwwww#', '#wwwwww#', '#wwww####',
         '#w#ww#', '##  #ww#', '#   #ww#', '     #ww#', '     #ww#', '      ##']

pictures = {
    # Tool palette.
    '2011': tool(lambda c: c.art(3, 1, ARROW)),
    '2012': tool(lambda c: (c.fill(1, 2, 14, 13, 'c'), c.rect(1, 2, 14, 13, '#'),
                            c.ellipse(9, 4, 12, 7, 'y', 'y'),
                            [c.line(2 + i, 12, 6, 7, 'n') or c.line(6, 7, 10 - i, 12, 'n') for i in range(3)])),
    '2013': tool(lambda c: c.ellipse(1, 1, 14, 14, '#')),
    '2014': tool(lambda c: (c.fill(2, 3, 13, 12, 'b'), c.rect(2, 3, 13, 12, '#'))),
    '2015': tool(lambda c: c.ellipse(1, 1, 14, 14, '#', 'b')),
    '2016': tool(lambda c: c.art(3, 2, ['##########', '##########', '#   ##   #', '    ##', '    ##',
                                        '    ##', '    ##', '    ##', '    ##', '    ##', '   ####'])),
    '2017': tool(lambda c: (c.line(2, 13, 13, 2, '#'), c.line(3, 13, 13, 3, '#'))),
    '2018': tool(lambda c: (c.rect(2, 3, 13, 12, '#'), c.rect(3, 4, 12, 11, '#'))),
    '2019': tool(lambda c: (c.fill(1, 4, 14, 11, 'l'), c.rect(1, 4, 14, 11, '#'),
                            c.line(2, 11, 14, 11, 'g'), c.line(14, 5, 14, 11, 'g'),
                            c.line(4, 7, 11, 7, '#'), c.line(4, 8, 9, 8, '#'))),
    '2020': tool(lambda c: [c.fill(2 + 3 * (i % 4), 2 + 3 * (i // 4), 3 + 3 * (i % 4), 3 + 3 * (i // 4),
                                   '#' if (0x9F6B >> i) & 1 else 'l') for i in range(16)]),
    # Form bar: move the form one place later (right) or earlier (left).
    '116': tool(lambda c: c.art(4, 3, ['#', '##', '#w#', '#ww#', '#www#', '#wwww#', '#www#',
                                       '#ww#', '#w#', '##', '#'])),
    '117': tool(lambda c: c.art(5, 3, ['     #', '    ##', '   #w#', '  #ww#', ' #www#', '#wwww#',
                                       ' #www#', '  #ww#', '   #w#', '    ##', '     #'])),
    # Dot/line panel: draw in the ink colour, or in the page's negative colour.
    '113': tool(lambda c: (c.fill(2, 2, 13, 13, '#'),)),
    '114': tool(lambda c: (c.fill(2, 2, 13, 13, 'w'), c.rect(2, 2, 13, 13, '#'))),
}


def strip(images):
    s = Canvas(16 * len(images), 15)
    for i, img in enumerate(images):
        s.paste(img, 16 * i, 0)
    return s


def bar_image(draw):
    c = Canvas(16, 15)
    draw(c)
    return c


def page(c, x=3):
    c.fill(x, 1, x + 9, 13, 'w'); c.rect(x, 1, x + 9, 13, '#')
    c.line(x + 7, 1, x + 9, 3, '#'); c.set(x + 8, 1, '.'); c.set(x + 9, 1, '.'); c.set(x + 9, 2, '.')


bar = [
    bar_image(page),                                                      # new project
    bar_image(lambda c: (c.fill(1, 4, 13, 12, 'y'), c.rect(1, 4, 13, 12, '#'),
                         c.line(1, 3, 5, 3, '#'), c.line(2, 2, 5, 2, '#'))),  # open project
    bar_image(lambda c: (c.fill(1, 1, 13, 13, 'b'), c.rect(1, 1, 13, 13, '#'),
                         c.fill(3, 2, 11, 6, 'w'), c.fill(4, 9, 10, 13, 'l'))),  # save project
    bar_image(lambda c: (c.line(4, 1, 9, 9, '#'), c.line(10, 1, 5, 9, '#'),
                         c.ellipse(2, 9, 6, 13, 'r'), c.ellipse(8, 9, 12, 13, 'r'))),  # cut
    bar_image(lambda c: (page(c, 1), page(c, 5))),                          # copy
    bar_image(lambda c: (c.fill(2, 2, 12, 13, 'y'), c.rect(2, 2, 12, 13, '#'),
                         c.fill(5, 1, 9, 3, 'g'), c.fill(6, 5, 13, 13, 'w'),
                         c.rect(6, 5, 13, 13, '#'))),                       # paste
    bar_image(lambda c: (c.fill(1, 1, 14, 13, 'w'), c.rect(1, 1, 14, 13, '#'),
                         c.fill(1, 1, 14, 3, 'b'), c.line(3, 6, 10, 6, '#'),
                         c.line(3, 8, 12, 8, '#'), c.line(3, 10, 8, 10, '#'))),  # code window
]
pictures['134'] = strip(bar)
grey = strip(bar)
for row in grey.px:
    for i, ch in enumerate(row):
        if ch != '.':
            row[i] = 'g' if ch in '#brn' else 'l' if ch != 'w' else 'w'
pictures['135'] = grey

# The pixel-art program's tool bar: new, open, save, cut, copy, paste, about.
pixel_bar = bar[:6] + [
    bar_image(lambda c: (c.ellipse(1, 1, 14, 14, 'b'), c.fill(7, 3, 8, 4, 'w'),
                         c.fill(7, 6, 8, 11, 'w'))),                        # about
]
pictures['130'] = strip(pixel_bar)
pixel_grey = strip(pixel_bar)
for row in pixel_grey.px:
    for i, ch in enumerate(row):
        if ch != '.':
            row[i] = 'g' if ch in '#brn' else 'l' if ch != 'w' else 'w'
pictures['132'] = pixel_grey


# Character editor. The list's mark of the current character (12 x 12).
mark = Canvas(12, 12)
mark.art(0, 0, ['     ##', '    #bb#', '   #bbbb#', '  #bbbbbb#', ' #bbbbbbbb#', '#bbbbbbbbbb#',
                '#bbbbbbbbbb#', ' #bbbbbbbb#', '  #bbbbbb#', '   #bbbb#', '    #bb#', '     ##'])
pictures['27002'] = mark


def arrow(c, direction):
    """A filled arrow pointing left, right, up or down."""
    for i in range(6):
        for j in range(-i, i + 1):
            x, y = 3 + i, 7 + j
            if direction == 'left':
                c.set(x, y, '#')
            elif direction == 'right':
                c.set(15 - x, y, '#')
            elif direction == 'up':
                c.set(y, x, '#')
            else:
                c.set(y, 15 - x, '#')
    if direction in ('left', 'right'):
        c.fill(8 if direction == 'left' else 2, 5, 13 if direction == 'left' else 7, 9, 'b')
    else:
        c.fill(5, 8 if direction == 'up' else 2, 9, 13 if direction == 'up' else 7, 'b')


def rotate(c):
    c.ellipse(1, 1, 14, 14, 'b', 'b')
    c.ellipse(4, 4, 11, 11, '.', '.')
    c.fill(1, 1, 7, 7, '.')
    c.art(5, 0, ['#', '##', '###', '####', '###', '##', '#'])


def pen_colour(c):
    c.fill(1, 1, 8, 14, '#')
    c.fill(8, 1, 14, 14, 'w')
    c.rect(1, 1, 14, 14, '#')


def clear(c):
    c.fill(1, 1, 14, 14, 'w')
    c.rect(1, 1, 14, 14, 'g')
    for i in (4, 8, 12):
        c.line(i, 2, i, 14, 'l'); c.line(2, i, 14, i, 'l')
    c.line(3, 3, 12, 12, 'r'); c.line(12, 3, 3, 12, 'r')


def flip(c, horizontal):
    shape = ['#', '##', '###', '####', '###', '##', '#']
    for j, row in enumerate(shape):
        for i in range(len(row)):
            if horizontal:
                c.set(6 - i, 4 + j, '#'); c.set(9 + i, 4 + j, 'b')
            else:
                c.set(4 + j, 6 - i, '#'); c.set(4 + j, 9 + i, 'b')
    for k in range(0, 16, 2):
        if horizontal:
            c.set(7, k, 'g'); c.set(8, k + 1, 'g')
        else:
            c.set(k, 7, 'g'); c.set(k + 1, 8, 'g')


pictures['27003'] = tool(rotate)
pictures['27004'] = tool(pen_colour)
pictures['27005'] = tool(lambda c: arrow(c, 'down'))
pictures['27006'] = tool(lambda c: arrow(c, 'left'))
pictures['27007'] = tool(lambda c: arrow(c, 'right'))
pictures['27008'] = tool(clear)
pictures['27009'] = tool(lambda c: arrow(c, 'up'))
pictures['27010'] = tool(lambda c: flip(c, True))
pictures['27011'] = tool(lambda c: flip(c, False))
pictures['119'] = tool(lambda c: (page(c, 0), c.fill(5, 3, 14, 15, 'w'), c.rect(5, 3, 14, 15, '#')))
pictures['27014'] = tool(lambda c: (c.fill(2, 2, 12, 14, 'y'), c.rect(2, 2, 12, 14, '#'),
                                    c.fill(5, 1, 9, 3, 'g'), c.fill(6, 6, 14, 14, 'w'),
                                    c.rect(6, 6, 14, 14, '#')))

# Cursors of the character grid: a pencil that draws ink (27013) and an eraser
# that draws blank (27012); both point at their bottom-left corner.
def slanted(c, body, tip):
    """A stick from the bottom-left corner to the top-right one: its far end
    red, its body `body`, its near end (the point that draws) `tip`."""
    for y in range(16):
        for x in range(16):
            s, d = x + y, x - y
            if not 12 <= s <= 18 or not -14 <= d <= 12:
                continue
            edge = s in (12, 18) or d in (-14, 12)
            if edge:
                c.set(x, y, '#')
            elif d > 7:
                c.set(x, y, 'r')
            elif d < -8:
                c.set(x, y, tip)
            else:
                c.set(x, y, body)


pencil = Canvas(16, 16)
slanted(pencil, 'y', '#')
pictures['27013'] = pencil
eraser = Canvas(16, 16)
slanted(eraser, 'w', 'w')
pictures['27012'] = eraser

for name, canvas in pictures.items():
    write_xpm(name, canvas)
