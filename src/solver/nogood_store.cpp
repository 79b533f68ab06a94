// The learned nogoods: their flat storage, watch lists and deletion.
#include "solver/nogood_store.h"

void NOGOOD_STORE::reset(uint32_t atoms, uint64_t limit) {
    arena.clear();
    headers.clear();
    freeIds.clear();
    watches.assign(size_t(2) * atoms, std::vector<NOGOOD_WATCH>());
    live = 0;
    garbage = 0;
    liveBytes = 0;
    memoryLimit = limit;
    nextCheck = limit;
    clock = 0;
}

uint32_t NOGOOD_STORE::add(const MG_LITERAL *literals, uint32_t count, uint32_t levels) {
    uint32_t id;
    if (!freeIds.empty()) {
        id = freeIds.back();
        freeIds.pop_back();
    } else {
        id = static_cast<uint32_t>(headers.size());
        headers.emplace_back();
    }
    arena.push_back(id);
    arena.push_back(count);
    uint32_t start = static_cast<uint32_t>(arena.size());
    arena.insert(arena.end(), literals, literals + count);
    headers[id] = HEADER{start, count, levels, clock, false};
    liveBytes += bytesOf(count);
    if (count >= 2) {
        watches[literals[0]].push_back({start, literals[1]});
        watches[literals[1]].push_back({start, literals[0]});
    }
    ++live;
    return id;
}

void NOGOOD_STORE::drop(uint32_t id) {
    HEADER &h = headers[id];
    h.deleted = true;
    garbage += h.size + 2;
    liveBytes -= bytesOf(h.size);
    freeIds.push_back(id);
    --live;
}

void NOGOOD_STORE::rebuildWatches() {
    for (std::vector<NOGOOD_WATCH> &w : watches) w.clear();
    for (uint32_t id = 0; id < headers.size(); ++id) {
        const HEADER &h = headers[id];
        if (h.deleted || h.size < 2) continue;
        watches[arena[h.start]].push_back({h.start, arena[h.start + 1]});
        watches[arena[h.start + 1]].push_back({h.start, arena[h.start]});
    }
}

// Moves the nogoods that are left (number, size and literals) to the front of the arena, in place.
void NOGOOD_STORE::compact() {
    std::vector<uint32_t> byStart;
    for (uint32_t id = 0; id < headers.size(); ++id)
        if (!headers[id].deleted) byStart.push_back(id);
    std::sort(byStart.begin(), byStart.end(),
              [&](uint32_t x, uint32_t y) { return headers[x].start < headers[y].start; });
    uint32_t to = 0;
    for (uint32_t id : byStart) {
        HEADER &h = headers[id];
        for (uint32_t i = 0; i < h.size + 2; ++i) arena[to + i] = arena[h.start - 2 + i];
        h.start = to + 2;
        to += h.size + 2;
    }
    arena.resize(to);
    garbage = 0;
}
