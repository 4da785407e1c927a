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

namespace {

struct Cell {
  int16_t box = -1, actor = -1, tex = 0, item = -1, wall = -1;
  std::string mark;  // named place, side file only
  bool defined = false;
};

struct Named {
  const char* name;
  int value;
};

const Named kWalls[] = {{"block", 0}, {"platform", 1}, {"blue", 2}, {"red", 3}, {"yellow", 4}};
const Named kActors[] = {{"player", 0}, {"spider", 1}, {"demon", 2}, {"soldier", 3}, {"mutant", 4}};
const Named kItems[] = {{"machinegun", 0}, {"shotgun", 1}, {"medkit", 2},
                        {"bullets", 3},    {"shells", 4},  {"rockets", 5},
                        {"bluekey", 6},    {"redkey", 7},  {"yellowkey", 8}};
const Named kBoxes[] = {{"crate", 0}};
const int kMaxCells = 4096;

std::string g_source;
bool g_failed = false;

void Fail(int line, int column, const std::string& message) {
  std::fprintf(stderr, "%s:%d:%d: %s\n", g_source.c_str(), line, column, message.c_str());
  g_failed = true;
}

template <size_t N>
bool Lookup(const Named (&table)[N], const std::string& word, int* value) {
  for (const Named& n : table)
    if (word == n.name) { *value = n.value; return true; }
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
    if (eq == std::string::npos) { Fail(line, column, "expected field=value, got '" + field + "'"); continue; }
    std::string key = field.substr(0, eq), value = field.substr(eq + 1);
    int v = 0;
    if (key == "wall") {
      if (!Lookup(kWalls, value, &v)) Fail(line, column, "unknown wall '" + value + "' (block, platform, blue, red, yellow)");
      cell.wall = (int16_t)v; hasWall = true;
    } else if (key == "tex") {
      if (!ParseSmallInt(value, 0, 8, &v)) Fail(line, column, "wall texture must be 0 to 8, got '" + value + "'");
      cell.tex = (int16_t)v; hasTex = true;
    } else if (key == "actor") {
      if (!Lookup(kActors, value, &v)) Fail(line, column, "unknown actor '" + value + "'");
      cell.actor = (int16_t)v;
    } else if (key == "item") {
      if (!Lookup(kItems, value, &v)) Fail(line, column, "unknown item '" + value + "'");
      cell.item = (int16_t)v;
    } else if (key == "box") {
      if (!Lookup(kBoxes, value, &v)) Fail(line, column, "unknown box '" + value + "' (crate)");
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

void PutI32(std::string& out, int32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back((char)((uint32_t)v >> (8 * i) & 0xFF));
}
void PutI16(std::string& out, int16_t v) {
  out.push_back((char)((uint16_t)v & 0xFF));
  out.push_back((char)((uint16_t)v >> 8));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: levelc SOURCE MAP_OUT MARKS_OUT\n");
    return 2;
  }
  g_source = argv[1];
  FILE* f = std::fopen(argv[1], "rb");
  if (!f) { std::fprintf(stderr, "%s: cannot open\n", argv[1]); return 1; }
  std::vector<std::string> lines;
  {
    std::string cur;
    int c;
    while ((c = std::fgetc(f)) != EOF) {
      if (c == '\n') { lines.push_back(cur); cur.clear(); }
      else if (c != '\r') cur.push_back((char)c);
    }
    if (!cur.empty()) lines.push_back(cur);
    std::fclose(f);
  }

  Cell legend[256];
  int legendLine[256] = {};
  size_t i = 0;
  bool inMap = false;
  for (; i < lines.size(); ++i) {
    const std::string& t = lines[i];
    int line = (int)i + 1;
    if (t.empty() || t[0] == ';') continue;
    if (t == "map") { inMap = true; ++i; break; }
    if (t.compare(0, 7, "legend ") == 0 && t.size() >= 8) {
      unsigned char ch = (unsigned char)t[7];
      if (ch == '.' || ch == ' ' || ch < 32 || ch > 126) { Fail(line, 8, "this character cannot be given a meaning"); continue; }
      if (legend[ch].defined) {
        Fail(line, 8, std::string("character '") + (char)ch + "' already defined on line " + std::to_string(legendLine[ch]));
        continue;
      }
      legend[ch] = ParseLegend(t, 8, line);
      legendLine[ch] = line;
      continue;
    }
    Fail(line, 1, "expected 'legend C field=value ...', 'map' or a ';' comment");
  }
  if (!inMap) Fail((int)lines.size(), 1, "no 'map' block");

  std::string map;
  std::string marks = "; name column row world_x world_y\n";
  int cells = 0, players = 0, row = 0;
  bool ended = false;
  for (; i < lines.size() && !g_failed; ++i, ++row) {
    const std::string& t = lines[i];
    int line = (int)i + 1;
    if (t == "end") { ended = true; break; }
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
        std::snprintf(buf, sizeof buf, "%s %d %d %d %d\n", c.mark.c_str(), (int)col, row, (int)col, -row);
        marks += buf;
      }
      if (c.actor == 0) {
        ++players;
        char buf[96];
        std::snprintf(buf, sizeof buf, "start %d %d %d %.1f\n", (int)col, row, (int)col, 0.2 - row);
        marks += buf;
      }
      // A cell that only names a place has no effect in the game: no record.
      if (c.wall < 0 && c.box < 0 && c.item < 0 && c.actor < 0) continue;
      if (++cells > kMaxCells) {
        Fail(line, (int)col + 1, "more than 4096 cells");
        break;
      }
      PutI32(map, (int32_t)col);
      PutI32(map, (int32_t)row);
      PutI16(map, c.box);
      PutI16(map, c.actor);
      PutI16(map, c.tex);
      PutI16(map, c.item);
      PutI16(map, c.wall);
      PutI16(map, 0);
    }
  }
  if (!g_failed && !ended) Fail((int)lines.size(), 1, "map block not closed with 'end'");
  if (!g_failed && players == 0) Fail((int)lines.size(), 1, "no player start in the map");
  if (!g_failed && players > 1) Fail((int)lines.size(), 1, "more than one player start in the map");
  if (g_failed) return 1;

  FILE* out = std::fopen(argv[2], "wb");
  if (!out || std::fwrite(map.data(), 1, map.size(), out) != map.size()) {
    std::fprintf(stderr, "%s: cannot write\n", argv[2]);
    if (out) std::fclose(out);
    return 1;
  }
  std::fclose(out);
  out = std::fopen(argv[3], "wb");
  if (!out || std::fwrite(marks.data(), 1, marks.size(), out) != marks.size()) {
    std::fprintf(stderr, "%s: cannot write\n", argv[3]);
    if (out) std::fclose(out);
    return 1;
  }
  std::fclose(out);
  return 0;
}
