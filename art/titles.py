"""The caption strip bitmap "Titles": 51 plant names in black capitals on white,
one per 10-row band, each centred in its band. The program shows the bands of
its six pages; the rest are names of other flowers and plants."""
from twart.canvas import Canvas
from twart.fonts import SMALL, draw_text, text_width
from twart.formats import BLACK, WHITE

CAPTIONS = [
    "SUNFLOWER",        # 0: the sixth page
    "ASTER", "AZALEA", "BEGONIA", "BLUEBELL", "BUTTERCUP", "CARNATION", "CLOVER",
    "CORNFLOWER", "CROCUS", "DAFFODIL", "DAISY",
    "DOGWOOD",          # 12
    "FERN", "FORGET-ME-NOT", "FOXGLOVE", "FUCHSIA", "GERANIUM", "GLADIOLUS", "HEATHER",
    "HIBISCUS",
    "HOLLY",            # 21
    "HONEYSUCKLE", "IRIS", "IVY", "LAVENDER", "LILY", "MARIGOLD", "ORCHID",
    "PANSIES",          # 29
    "PEONY", "PETUNIA", "POINSETTIA", "POPPY",
    "PRICKLY PEAR",     # 34
    "PRIMROSE", "ROSE", "SAGE", "SNAPDRAGON", "SNOWDROP", "STRAWBERRY", "SWEET PEA",
    "THISTLE", "TULIP", "VIOLET", "WALLFLOWER", "WATER LILY", "WATERCRESS", "WAXFLOWER",
    "WEEPING WILLOW",   # 49
    "WISTERIA",
]
assert len(CAPTIONS) == 51

WIDTH, BAND = 140, 10
SPACING = 1


def build():
    cv = Canvas(WIDTH, BAND * len(CAPTIONS), WHITE)
    for c, text in enumerate(CAPTIONS):
        w = text_width(SMALL, text, SPACING)
        assert w <= WIDTH - 4, text
        # Glyphs are 8 rows high: one white row above and below in the band.
        draw_text(cv, SMALL, text, (WIDTH - w) // 2, BAND * c + 1, BLACK, SPACING)
    return cv
