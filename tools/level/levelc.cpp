// Level compiler: turns the readable level source (one character per cell
// plus a legend) into the game's binary map of 20-byte cell records, and
// writes the named places of the source to a small text side file.
//
//   levelc SOURCE MAP_OUT MARKS_OUT
//
// A source that breaks the map's ranges, uses an unknown character or has
// no player start is refused with "SOURCE:LINE:COLUMN: message" on stderr
// and exit code 1; nothing is written then.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "MapFormat.h"

namespace {

struct Cell {
  int16_t box = BOX_NONE, actor = ACTOR_NONE, tex = 0, item = ITEM_NONE, wall = WALL_NONE;
  std::string mark;  // named place, side file only
  bool defined = false;
};

std::string g_source;
bool g_failed = false;

void Fail(int line, int column, const std::string& message) {
  std::fprintf(stderr, "%s:%d:%d: %s\n", g_source.c_str(), line, column, message.c_str());
  g_failed = true;
}

template <size_t N>
bool Lookup(const MapName (&table)[N], const std::string& word, int* value) {
  for (const MapName& n : table)
    if (word == n.name) {
      *value = n.value;
      return true;
    }
  return false;
}

bool ParseSmallInt(const std::string& s, int lo, int hi, int* out) {
  if (s.empty() || s.size() > 3) return false;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < lo || v > hi) return false;
  *out = v;
  return true;
}

// Parses the fields of one legend line starting at text[pos]; columns in
// messages are 1-based positions in the line.
Cell ParseLegend(const std::string& text, size_t pos, int line) {
  Cell cell;
  cell.defined = true;
  bool hasWall = false, hasTex = false;
  while (pos < text.size()) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    if (pos >= text.size()) break;
    size_t start = pos;
    while (pos < text.size() && text[pos] != ' ' && text[pos] != '\t') ++pos;
    std::string field = text.substr(start, pos - start);
    int column = (int)start + 1;
    size_t eq = field.find('=');
    if (eq == std::string::npos) {
      Fail(line, column, "expected field=value, got '" + field + "'");
      continue;
    }
    std::string key = field.substr(0, eq), value = field.substr(eq + 1);
    int v = 0;
    if (key == "wall") {
      if (!Lookup(MAP_WALL_NAMES, value, &v))
        Fail(line, column, "unknown wall '" + value + "' (block, platform, blue, red, yellow)");
      cell.wall = (int16_t)v;
      hasWall = true;
    } else if (key == "tex") {
      if (!ParseSmallInt(value, 0, MAP_TEXTURES - 1, &v))
        Fail(line, column,
             "wall texture must be 0 to " + std::to_string(MAP_TEXTURES - 1) + ", got '" + value +
                 "'");
      cell.tex = (int16_t)v;
      hasTex = true;
    } else if (key == "actor") {
      if (!Lookup(MAP_ACTOR_NAMES, value, &v)) Fail(line, column, "unknown actor '" + value + "'");
      cell.actor = (int16_t)v;
    } else if (key == "item") {
      if (!Lookup(MAP_ITEM_NAMES, value, &v)) Fail(line, column, "unknown item '" + value + "'");
      cell.item = (int16_t)v;
    } else if (key == "box") {
      if (!Lookup(MAP_BOX_NAMES, value, &v))
        Fail(line, column, "unknown box '" + value + "' (crate)");
      cell.box = (int16_t)v;
    } else if (key == "mark") {
      if (value.empty()) Fail(line, column, "empty mark name");
      cell.mark = value;
    } else {
      Fail(line, column, "unknown field '" + key + "'");
    }
  }
  if (hasTex && !hasWall) Fail(line, 1, "tex given without a wall");
  return cell;
}

void PutI32(char* out, int32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = (char)((uint32_t)v >> (8 * i) & 0xFF);
}
void PutI16(char* out, int16_t v) {
  out[0] = (char)((uint16_t)v & 0xFF);
  out[1] = (char)((uint16_t)v >> 8);
}

// The source split into lines, without line ends; false when unreadable.
bool ReadLines(const char* path, std::vector<std::string>* lines) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  std::string cur;
  int c;
  while ((c = std::fgetc(f)) != EOF) {
    if (c == '\n') {
      lines->push_back(cur);
      cur.clear();
    } else if (c != '\r')
      cur.push_back((char)c);
  }
  if (!cur.empty()) lines->push_back(cur);
  std::fclose(f);
  return true;
}

// Reads the legend lines up to 'map' into legend[] (indexed by character);
// returns the index of the first map line.
size_t ReadLegend(const std::vector<std::string>& lines, Cell (&legend)[256]) {
  int legendLine[256] = {};
  size_t i = 0;
  bool inMap = false;
  for (; i < lines.size(); ++i) {
    const std::string& t = lines[i];
    int line = (int)i + 1;
    if (t.empty() || t[0] == ';') continue;
    if (t == "map") {
      inMap = true;
      ++i;
      break;
    }
    if (t.compare(0, 7, "legend ") == 0 && t.size() >= 8) {
      unsigned char ch = (unsigned char)t[7];
      if (ch == '.' || ch == ' ' || ch < 32 || ch > 126) {
        Fail(line, 8, "this character cannot be given a meaning");
        continue;
      }
      if (legend[ch].defined) {
        Fail(line, 8,
             std::string("character '") + (char)ch + "' already defined on line " +
                 std::to_string(legendLine[ch]));
        continue;
      }
      legend[ch] = ParseLegend(t, 8, line);
      legendLine[ch] = line;
      continue;
    }
    Fail(line, 1, "expected 'legend C field=value ...', 'map' or a ';' comment");
  }
  if (!inMap) Fail((int)lines.size(), 1, "no 'map' block");
  return i;
}

// Appends one cell's record to the map.
void PutRecord(std::string& map, int column, int row, const Cell& c) {
  char rec[MAP_RECORD_SIZE];
  PutI32(rec + MAP_FIELD_COLUMN, (int32_t)column);
  PutI32(rec + MAP_FIELD_ROW, (int32_t)row);
  PutI16(rec + MAP_FIELD_BOX, c.box);
  PutI16(rec + MAP_FIELD_ACTOR, c.actor);
  PutI16(rec + MAP_FIELD_TEXTURE, c.tex);
  PutI16(rec + MAP_FIELD_ITEM, c.item);
  PutI16(rec + MAP_FIELD_WALL, c.wall);
  PutI16(rec + MAP_FIELD_SPARE, 0);
  map.append(rec, sizeof rec);
}

// Turns the map block (lines[first] up to 'end') into cell records and the
// named places; checks the player start and the cell limit.
void CompileMap(const std::vector<std::string>& lines, size_t first, const Cell (&legend)[256],
                std::string* map, std::string* marks) {
  *marks = "; name column row world_x world_y\n";
  int cells = 0, players = 0, row = 0;
  bool ended = false;
  for (size_t i = first; i < lines.size() && !g_failed; ++i, ++row) {
    const std::string& t = lines[i];
    int line = (int)i + 1;
    if (t == "end") {
      ended = true;
      break;
    }
    for (size_t col = 0; col < t.size(); ++col) {
      unsigned char ch = (unsigned char)t[col];
      if (ch == '.' || ch == ' ') continue;
      const Cell& c = legend[ch];
      if (!c.defined) {
        Fail(line, (int)col + 1, std::string("character '") + (char)ch + "' is not in the legend");
        continue;
      }
      if (!c.mark.empty()) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "%s %d %d %d %d\n", c.mark.c_str(), (int)col, row, (int)col,
                      -row);
        *marks += buf;
      }
      if (c.actor == ACTOR_PLAYER) {
        ++players;
        char buf[96];
        std::snprintf(buf, sizeof buf, "start %d %d %d %.1f\n", (int)col, row, (int)col, 0.2 - row);
        *marks += buf;
      }
      // A cell that only names a place has no effect in the game: no record.
      if (c.wall < 0 && c.box < 0 && c.item < 0 && c.actor < 0) continue;
      if (++cells > MAX_MAP_CELLS) {
        Fail(line, (int)col + 1, "more than " + std::to_string(MAX_MAP_CELLS) + " cells");
        break;
      }
      PutRecord(*map, (int)col, row, c);
    }
  }
  if (!g_failed && !ended) Fail((int)lines.size(), 1, "map block not closed with 'end'");
  if (!g_failed && players == 0) Fail((int)lines.size(), 1, "no player start in the map");
  if (!g_failed && players > 1) Fail((int)lines.size(), 1, "more than one player start in the map");
}

bool WriteWhole(const char* path, const std::string& bytes) {
  FILE* out = std::fopen(path, "wb");
  if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
    std::fprintf(stderr, "%s: cannot write\n", path);
    if (out) std::fclose(out);
    return false;
  }
  std::fclose(out);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: levelc SOURCE MAP_OUT MARKS_OUT\n");
    return 2;
  }
  g_source = argv[1];
  std::vector<std::string> lines;
  if (!ReadLines(argv[1], &lines)) {
    std::fprintf(stderr, "%s: cannot open\n", argv[1]);
    return 1;
  }

  Cell legend[256];
  const size_t first = ReadLegend(lines, legend);
  std::string map, marks;
  CompileMap(lines, first, legend, &map, &marks);
  if (g_failed) return 1;
  if (!WriteWhole(argv[2], map) || !WriteWhole(argv[3], marks)) return 1;
  return 0;
}
