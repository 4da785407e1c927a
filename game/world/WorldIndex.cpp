// Uniform grids over the cells and the monsters; see WorldIndex.h.
#include "world/WorldIndex.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "actors/Monsters.h"
#include "world/Level.h"

namespace {

// At most this many buckets along each axis; a bucket is never smaller than
// kMinBucket world units, about one cell.
const int kMaxSide = 128;
const double kMinBucket = 2.0;
// Positions beyond this are left out when choosing the grid's extent (they
// still land in the border buckets).
const double kFar = 1.0e7;
// Largest half-sizes of a collision box around an item's centre: a monster
// blocks movers with 1.6 x 2.4 and is hit by shots with 1.0 x 2.0. Cells
// live in two grids: platforms alone (1.5 x 1.3), the bulk of most levels,
// and everything taller or wider (a box is 2.5 x 3.0, a door 1.3 x 3.2),
// so that a query along a row does not meet every floor cell below it.
const double kMonsterReachX = 0.8;
const double kMonsterReachY = 1.2;
const double kFlatReachX = 0.75;
const double kFlatReachY = 0.65;
const double kTallReachX = 1.25;
const double kTallReachY = 1.6;
// When more than one in kRebuildShare cells moved, the grid's extent is
// chosen afresh rather than re-bucketing them one by one.
const int kRebuildShare = 4;
// Lists shorter than this are sorted by insertion.
const int kInsertionSortLimit = 24;

bool SameFloat(float a, float b) {
  uint32_t ua, ub;
  std::memcpy(&ua, &a, sizeof ua);
  std::memcpy(&ub, &b, sizeof ub);
  return ua == ub;
}

// Room left around a query box for the rounding of the float box tests,
// which is far below it at any magnitude.
double Margin(double minX, double maxX, double minY, double maxY) {
  const double size = std::max(std::max(std::fabs(minX), std::fabs(maxX)),
                               std::max(std::fabs(minY), std::fabs(maxY)));
  return 0.01 + 4.0e-6 * (size + 4.0);
}

void SortSmall(int* out, int n) {
  if (n >= kInsertionSortLimit) {
    std::sort(out, out + n);
    return;
  }
  for (int k = 1; k < n; k++) {
    const int v = out[k];
    int j = k;
    for (; j > 0 && out[j - 1] > v; j--) out[j] = out[j - 1];
    out[j] = v;
  }
}

// Shared placement of the buckets of every grid.
struct SGeometry {
  double originX = 0.0;
  double originY = 0.0;
  double invSize = 1.0 / kMinBucket;
  int cols = 1;
  int rows = 1;

  // Bucket along one axis; monotone in v, so a range of positions maps to
  // a range of buckets. NaN maps to 0 and is filtered by the callers.
  static int Axis(double v, double origin, double inv, int side) {
    const double c = std::floor((v - origin) * inv);
    if (!(c > 0.0)) return 0;
    if (c >= side - 1) return side - 1;
    return static_cast<int>(c);
  }
  int Col(double x) const { return Axis(x, originX, invSize, cols); }
  int Row(double y) const { return Axis(y, originY, invSize, rows); }
};

SGeometry Geometry;

// One grid of N items kept in per-bucket lists, each in ascending item
// order. bucketOf is -1 for an item in no list.
template <int N>
struct SGrid {
  int head[kMaxSide * kMaxSide];
  int next[N];
  int prev[N];
  int bucketOf[N];
  float snapX[N];
  float snapY[N];
  int count = 0;
  int linked = 0;  // items in some bucket

  SGrid() { Clear(0); }

  void Clear(int n) {
    for (int& h : head) h = -1;
    for (int i = 0; i < N; i++) bucketOf[i] = -1;
    count = n;
    linked = 0;
  }

  void Unlink(int i) {
    const int b = bucketOf[i];
    if (b < 0) return;
    if (prev[i] >= 0)
      next[prev[i]] = next[i];
    else
      head[b] = next[i];
    if (next[i] >= 0) prev[next[i]] = prev[i];
    bucketOf[i] = -1;
    linked--;
  }

  void Link(int i, int b) {
    int before = -1;
    int after = head[b];
    while (after >= 0 && after < i) {
      before = after;
      after = next[after];
    }
    prev[i] = before;
    next[i] = after;
    if (before >= 0)
      next[before] = i;
    else
      head[b] = i;
    if (after >= 0) prev[after] = i;
    bucketOf[i] = b;
    linked++;
  }

  // Records the item's position and moves it to the bucket it now lies in
  // (to none when it is not `on` this grid).
  void Place(int i, float x, float y, bool on = true) {
    snapX[i] = x;
    snapY[i] = y;
    // A position that is not a number overlaps nothing.
    const int b = (on && x == x && y == y) ? Geometry.Row(y) * Geometry.cols + Geometry.Col(x) : -1;
    if (b == bucketOf[i]) return;
    Unlink(i);
    if (b >= 0) Link(i, b);
  }

  bool Moved(int i, float x, float y) const {
    return !SameFloat(snapX[i], x) || !SameFloat(snapY[i], y);
  }

  int Gather(double minX, double maxX, double minY, double maxY, double reachX, double reachY,
             int* out, bool sorted) const {
    // A box with a side that is not a number overlaps nothing.
    if (linked == 0 || !(minX <= maxX) || !(minY <= maxY)) return 0;
    const double margin = Margin(minX, maxX, minY, maxY);
    const int c0 = Geometry.Col(minX - reachX - margin);
    const int c1 = Geometry.Col(maxX + reachX + margin);
    const int r0 = Geometry.Row(minY - reachY - margin);
    const int r1 = Geometry.Row(maxY + reachY + margin);
    int n = 0;
    int lists = 0;
    for (int r = r0; r <= r1; r++) {
      for (int c = c0; c <= c1; c++) {
        int i = head[r * Geometry.cols + c];
        if (i < 0) continue;
        lists++;
        for (; i >= 0; i = next[i]) out[n++] = i;
      }
    }
    if (sorted && lists > 1) SortSmall(out, n);
    return n;
  }
};

SGrid<MAX_MAP_CELLS> CellGrids[2];  // 0 platforms alone, 1 every other piece
int32_t CellPieces[MAX_MAP_CELLS];  // wall piece and box each cell was indexed with
SGrid<MONSTER_SLOTS> MonsterGrid;

// Whether a box of half-sizes (rx, ry) at (x, y) can reach [minX, maxX] x
// [minY, maxY], allowing `margin` for the rounding of the float tests.
bool Reaches(double x, double y, double rx, double ry, double minX, double maxX, double minY,
             double maxY, double margin) {
  return x + rx + margin >= minX && x - rx - margin <= maxX && y + ry + margin >= minY &&
         y - ry - margin <= maxY;
}

int CellTableCount() {
  if (MapCellCount < 0) return 0;
  return MapCellCount > MAX_MAP_CELLS ? MAX_MAP_CELLS : MapCellCount;
}

int MonsterTableCount() {
  if (MonsterCount < 0) return 0;
  return MonsterCount > MONSTER_SLOTS ? MONSTER_SLOTS : MonsterCount;
}

bool Usable(float v) { return v == v && std::fabs(v) <= kFar; }

// Spreads the buckets over the cells (or, with no cells, the monsters).
void ChooseGeometry() {
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  bool any = false;
  auto take = [&](float x, float y) {
    if (!Usable(x) || !Usable(y)) return;
    if (!any) {
      minX = maxX = x;
      minY = maxY = y;
      any = true;
      return;
    }
    minX = std::min(minX, static_cast<double>(x));
    maxX = std::max(maxX, static_cast<double>(x));
    minY = std::min(minY, static_cast<double>(y));
    maxY = std::max(maxY, static_cast<double>(y));
  };
  const int cells = CellTableCount();
  for (int i = 0; i < cells; i++) take(MapCells[i].x, MapCells[i].y);
  if (!any) {
    const int monsters = MonsterTableCount();
    for (int i = 0; i < monsters; i++) take(Monsters.monsters[i].x, Monsters.monsters[i].y);
  }
  const double spanX = maxX - minX;
  const double spanY = maxY - minY;
  const double size =
      std::max(kMinBucket, std::max(spanX, spanY) / static_cast<double>(kMaxSide - 1));
  Geometry.originX = minX;
  Geometry.originY = minY;
  Geometry.invSize = 1.0 / size;
  Geometry.cols = std::min(kMaxSide, static_cast<int>(spanX / size) + 1);
  Geometry.rows = std::min(kMaxSide, static_cast<int>(spanY / size) + 1);
}

// Which cell grid a cell belongs in, -1 for a cell that stops nothing (an
// opened door, a decoration).
int ClassOf(const SMapCell& cell) {
  double rx, ry;
  if (!CellReach(cell, rx, ry)) return -1;
  return rx <= kFlatReachX && ry <= kFlatReachY ? 0 : 1;
}

// The pieces a cell was indexed with, to notice when they change.
int32_t Pieces(const SMapCell& cell) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(cell.wallType)) << 16 |
                              static_cast<uint16_t>(cell.boxModel));
}

void PlaceCell(int i) {
  const SMapCell& cell = MapCells[i];
  const int cls = ClassOf(cell);
  CellGrids[0].Place(i, cell.x, cell.y, cls == 0);
  CellGrids[1].Place(i, cell.x, cell.y, cls == 1);
  CellPieces[i] = Pieces(cell);
}

bool CellMoved(int i) {
  const SMapCell& cell = MapCells[i];
  return CellGrids[0].Moved(i, cell.x, cell.y) || Pieces(cell) != CellPieces[i];
}

void RebuildCells() {
  const int n = CellTableCount();
  CellGrids[0].Clear(n);
  CellGrids[1].Clear(n);
  for (int i = 0; i < n; i++) PlaceCell(i);
}

void RebuildMonsters() {
  const int n = MonsterTableCount();
  MonsterGrid.Clear(n);
  for (int i = 0; i < n; i++) MonsterGrid.Place(i, Monsters.monsters[i].x, Monsters.monsters[i].y);
}

// Brings the monster grid's count in line with the table: more monsters are
// placed one by one, fewer rebuild the grid.
void FollowMonsterCount() {
  const int monsters = MonsterTableCount();
  if (MonsterGrid.count == monsters) return;
  if (MonsterGrid.count > monsters) {
    RebuildMonsters();
    return;
  }
  for (int i = MonsterGrid.count; i < monsters; i++)
    MonsterGrid.Place(i, Monsters.monsters[i].x, Monsters.monsters[i].y);
  MonsterGrid.count = monsters;
}

// A changed cell count (a new level) rebuilds everything.
void FollowCounts() {
  if (CellGrids[0].count != CellTableCount()) {
    RebuildWorldIndex();
    return;
  }
  FollowMonsterCount();
}

}  // namespace

void RebuildWorldIndex() {
  ChooseGeometry();
  RebuildCells();
  RebuildMonsters();
}

void SyncWorldIndex() {
  FollowCounts();
  const int cells = CellGrids[0].count;
  int moved = 0;
  for (int i = 0; i < cells; i++)
    if (CellMoved(i)) moved++;
  if (moved * kRebuildShare > cells) {
    RebuildWorldIndex();
    return;
  }
  if (moved > 0) {
    for (int i = 0; i < cells; i++)
      if (CellMoved(i)) PlaceCell(i);
  }
  for (int i = 0; i < MonsterGrid.count; i++) {
    const SMonsters& m = Monsters.monsters[i];
    if (MonsterGrid.Moved(i, m.x, m.y)) MonsterGrid.Place(i, m.x, m.y);
  }
}

void MonsterMoved(int slot) {
  // Placing monsters while cells are still being read must not rebuild the
  // cell grids each time; the first query after the reading does.
  FollowMonsterCount();
  if (slot < 0 || slot >= MonsterGrid.count) return;
  const SMonsters& m = Monsters.monsters[slot];
  MonsterGrid.Place(slot, m.x, m.y);
}

int GatherCells(double minX, double maxX, double minY, double maxY, int* out, bool sorted) {
  FollowCounts();
  int n = CellGrids[0].Gather(minX, maxX, minY, maxY, kFlatReachX, kFlatReachY, out, false);
  n += CellGrids[1].Gather(minX, maxX, minY, maxY, kTallReachX, kTallReachY, out + n, false);
  if (sorted && n > 1) SortSmall(out, n);
  return n;
}

int GatherMonsters(double minX, double maxX, double minY, double maxY, int* out, bool sorted) {
  FollowCounts();
  return MonsterGrid.Gather(minX, maxX, minY, maxY, kMonsterReachX, kMonsterReachY, out, sorted);
}

int GatherCellsNear(double minX, double maxX, double minY, double maxY, int* out) {
  const int n = GatherCells(minX, maxX, minY, maxY, out, false);
  const double margin = Margin(minX, maxX, minY, maxY);
  int kept = 0;
  for (int k = 0; k < n; k++) {
    const SMapCell& cell = MapCells[out[k]];
    double rx, ry;
    if (!CellReach(cell, rx, ry)) continue;
    if (Reaches(cell.x, cell.y, rx, ry, minX, maxX, minY, maxY, margin)) out[kept++] = out[k];
  }
  return kept;
}

int GatherMonstersNear(double minX, double maxX, double minY, double maxY, int exclude, int* out) {
  const int n = GatherMonsters(minX, maxX, minY, maxY, out, false);
  const double margin = Margin(minX, maxX, minY, maxY);
  int kept = 0;
  for (int k = 0; k < n; k++) {
    const int j = out[k];
    const SMonsters& m = Monsters.monsters[j];
    if (m.health <= 0 || j == exclude) continue;
    if (Reaches(m.x, m.y, kMonsterReachX, kMonsterReachY, minX, maxX, minY, maxY, margin))
      out[kept++] = j;
  }
  return kept;
}
