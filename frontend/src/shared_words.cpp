#include "lumeno/frontend/shared_words.h"

namespace lumeno::frontend {

const TNamedColour kNamedColours[kNamedColourCount] = {
    {"Schwarz", "Black", "Noir", 0x000000},
    {"Dunkelrot", "Maroon", "Rouge foncé", 0x000080},
    {"Grün", "Green", "Vert", 0x008000},
    {"Oliv", "Olive", "Marron clair", 0x008080},
    {"Dunkelblau", "Navy", "Bleu foncé", 0x800000},
    {"Purpur", "Purple", "Violet", 0x800080},
    {"Grünblau", "Teal", "Bleu-vert", 0x808000},
    {"Grau", "Gray", "Gris", 0x808080},
    {"Silber", "Silver", "Argenté", 0xC0C0C0},
    {"Rot", "Red", "Rouge", 0x0000FF},
    {"Hellgrün", "Lime", "Vert", 0x00FF00},
    {"Gelb", "Yellow", "Jaune", 0x00FFFF},
    {"Blau", "Blue", "Bleu", 0xFF0000},
    {"Rosa", "Fuchsia", "Fuchsia", 0xFF00FF},
    {"Hellblau", "Aqua", "Vert d'eau", 0xFFFF00},
    {"Weiß", "White", "Blanc", 0xFFFFFF},
};

TDocumentWords DocumentWords() {
    return {.PhotoPagesTextPage = {"Diese Datei enthält zusätzlich eine animierte Präsentation",
                                   "für Betrachter mit SVG-Unterstützung.",
                                   "Die Fotos davor laufen in der Präsentationsansicht von "
                                   "selbst ab."},
            .HtmlLanguage = "de",
            .HtmlTitle = "Diashow"};
}

} // namespace lumeno::frontend
