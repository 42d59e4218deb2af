#include "world/broad_phase.h"

#include <cstdlib>
#include <limits>
#include <new>

namespace {

enum Side : uint8_t { kMinX = 0, kMaxX = 1, kMinY = 2, kMaxY = 3 };

const double kInfinity = std::numeric_limits<double>::infinity();

} // namespace

CCollisionBroadPhase::CCollisionBroadPhase(uint32_t capacity, uint8_t groupCount)
    : m_groupCount(groupCount),
      m_capacity(capacity),
      m_groupMatrix((size_t(groupCount) * groupCount + 7) / 8),
      m_activeFlags((size_t(capacity) + 7) / 8),
      m_objectGroup(capacity),
      m_objectTag(capacity),
      m_objectData(capacity),
      m_endpoints(size_t(capacity) * 4)
{
    // The table is 16 MiB for a level: calloc leaves untouched pages unmapped.
    m_pairStates = static_cast<uint8_t*>(std::calloc(size_t(capacity) * capacity, 1));
    if (!m_pairStates)
        throw std::bad_alloc();
    const double values[4] = {-kInfinity, kInfinity, -kInfinity, kInfinity};
    for (uint8_t s = 0; s < 4; ++s)
        m_sentinels[s] = Endpoint{values[s], nullptr, nullptr, 0, s};
    m_sentinels[0].next = &m_sentinels[1];
    m_sentinels[1].prev = &m_sentinels[0];
    m_sentinels[2].next = &m_sentinels[3];
    m_sentinels[3].prev = &m_sentinels[2];
    for (uint32_t i = 0; i < capacity; ++i)
        for (uint8_t s = 0; s < 4; ++s)
            m_endpoints[4 * i + s] = Endpoint{0.0, nullptr, nullptr, i, s};
}

CCollisionBroadPhase::~CCollisionBroadPhase()
{
    while (m_blocks)
    {
        PairBlock* previous = m_blocks->previous;
        delete m_blocks;
        m_blocks = previous;
    }
    std::free(m_pairStates);
}

void CCollisionBroadPhase::SetGroupCollidesWithGroup0(uint8_t group)
{
    if (m_groupCount == 0 || group >= m_groupCount)
        throw "{75EEB779-6AB9-492b-BAE8-A3000ED70244}";
    const size_t bits[2] = {group, size_t(group) * m_groupCount};
    for (size_t bit : bits)
        m_groupMatrix[bit / 8] |= uint8_t(1u << (bit % 8));
}

uint32_t CCollisionBroadPhase::AddObject(uint8_t group, uint32_t tag, void* data)
{
    if (group >= m_groupCount)
        throw "{D5328639-AF02-422b-AD04-42B0F0ADEB4C}";
    if (m_objectCount >= m_capacity)
        throw "{A763B482-6C39-4fea-9FFC-C07DCAB4CD76}";
    uint32_t index = m_objectCount++;
    m_objectGroup[index] = group;
    m_objectTag[index] = tag;
    m_objectData[index] = data;
    return index;
}

bool CCollisionBroadPhase::IsObjectActive(uint32_t index) const
{
    return (m_activeFlags[index / 8] >> (index % 8)) & 1;
}

uint8_t CCollisionBroadPhase::GetPairState(uint32_t i, uint32_t j) const
{
    uint32_t lo = i < j ? i : j;
    uint32_t hi = i < j ? j : i;
    return m_pairStates[size_t(lo) * m_capacity + hi];
}

bool CCollisionBroadPhase::GroupsCollide(uint32_t lo, uint32_t hi) const
{
    size_t bit = size_t(m_objectGroup[lo]) * m_groupCount + m_objectGroup[hi];
    return (m_groupMatrix[bit / 8] >> (bit % 8)) & 1;
}

void CCollisionBroadPhase::SetObjectBounds(uint32_t index, double x0, double y0, double x1, double y1,
                                           double margin)
{
    double minX = (x0 < x1 ? x0 : x1) - margin;
    double minY = (y0 < y1 ? y0 : y1) - margin;
    double maxX = (x0 > x1 ? x0 : x1) + margin;
    double maxY = (y0 > y1 ? y0 : y1) + margin;
    MoveEndpoints(index, minX, minY, maxY, maxX);
}

void CCollisionBroadPhase::MoveEndpoints(uint32_t index, double minX, double minY, double maxY, double maxX)
{
    // Every decrement happens before any increment, so a pair that reaches
    // full overlap during the move still overlaps when it is done.
    RaiseEndpoint(index, kMinX, minX, false);
    LowerEndpoint(index, kMaxX, maxX, false);
    RaiseEndpoint(index, kMinY, minY, false);
    LowerEndpoint(index, kMaxY, maxY, false);
    LowerEndpoint(index, kMinX, minX, true);
    RaiseEndpoint(index, kMaxX, maxX, true);
    LowerEndpoint(index, kMinY, minY, true);
    RaiseEndpoint(index, kMaxY, maxY, true);
}

void CCollisionBroadPhase::RaiseEndpoint(uint32_t index, uint8_t side, double value, bool increment)
{
    Endpoint& e = m_endpoints[4 * index + side];
    if (!(value > e.value)) // a NaN bound is ignored
        return;
    e.value = value;
    if (IsObjectActive(index))
        SiftTowardTail(&e, increment);
}

void CCollisionBroadPhase::LowerEndpoint(uint32_t index, uint8_t side, double value, bool increment)
{
    Endpoint& e = m_endpoints[4 * index + side];
    if (!(value < e.value))
        return;
    e.value = value;
    if (IsObjectActive(index))
        SiftTowardHead(&e, increment);
}

namespace {

void Unlink(CCollisionBroadPhase::Endpoint* e)
{
    e->prev->next = e->next;
    e->next->prev = e->prev;
}

void LinkAfter(CCollisionBroadPhase::Endpoint* e, CCollisionBroadPhase::Endpoint* at)
{
    e->prev = at;
    e->next = at->next;
    at->next->prev = e;
    at->next = e;
}

void LinkBefore(CCollisionBroadPhase::Endpoint* e, CCollisionBroadPhase::Endpoint* at)
{
    e->next = at;
    e->prev = at->prev;
    at->prev->next = e;
    at->prev = e;
}

} // namespace

void CCollisionBroadPhase::SiftTowardTail(Endpoint* e, bool increment)
{
    while (e->next->value < e->value)
    {
        Endpoint* passed = e->next;
        Unlink(e);
        LinkAfter(e, passed);
        OnEndpointsSwap(*passed, *e, increment);
    }
}

void CCollisionBroadPhase::SiftTowardHead(Endpoint* e, bool increment)
{
    while (e->prev->value > e->value)
    {
        Endpoint* passed = e->prev;
        Unlink(e);
        LinkBefore(e, passed);
        OnEndpointsSwap(*passed, *e, increment);
    }
}

void CCollisionBroadPhase::OnEndpointsSwap(const Endpoint& passed, const Endpoint& moving, bool increment)
{
    if (passed.side == moving.side)
        return;
    uint32_t lo = passed.object < moving.object ? passed.object : moving.object;
    uint32_t hi = passed.object < moving.object ? moving.object : passed.object;
    uint8_t& state = PairState(lo, hi);
    if (!increment)
    {
        state = uint8_t(state - 1);
        return;
    }
    state = uint8_t(state + 1);
    if (state == 4 && lo != hi && GroupsCollide(lo, hi))
        Report(lo, hi);
}

void CCollisionBroadPhase::Report(uint32_t lo, uint32_t hi)
{
    PairNode* node = AllocPairNode();
    node->i = lo;
    node->j = hi;
    node->next = m_reported;
    m_reported = node;
    PairState(lo, hi) |= kPairListed;
}

PairNode* CCollisionBroadPhase::AllocPairNode()
{
    if (!m_freeNodes)
    {
        PairBlock* block = new PairBlock;
        block->previous = m_blocks;
        m_blocks = block;
        for (PairNode& node : block->nodes)
        {
            node.next = m_freeNodes;
            m_freeNodes = &node;
        }
    }
    PairNode* node = m_freeNodes;
    m_freeNodes = node->next;
    return node;
}

void CCollisionBroadPhase::SetObjectActive(uint32_t index, bool active)
{
    if (IsObjectActive(index) == active)
        return;
    if (active)
        Activate(index);
    else
        Deactivate(index);
    uint8_t mask = uint8_t(1u << (index % 8));
    if (active)
        m_activeFlags[index / 8] |= mask;
    else
        m_activeFlags[index / 8] &= uint8_t(~mask);
}

void CCollisionBroadPhase::Activate(uint32_t index)
{
    // Entering from the far ends rebuilds every count of this object from nothing.
    Endpoint* e = &m_endpoints[4 * index];
    LinkBefore(&e[kMinX], &m_sentinels[1]);
    SiftTowardHead(&e[kMinX], true);
    LinkAfter(&e[kMaxX], &m_sentinels[0]);
    SiftTowardTail(&e[kMaxX], true);
    LinkBefore(&e[kMinY], &m_sentinels[3]);
    SiftTowardHead(&e[kMinY], true);
    LinkAfter(&e[kMaxY], &m_sentinels[2]);
    SiftTowardTail(&e[kMaxY], true);
}

void CCollisionBroadPhase::Deactivate(uint32_t index)
{
    Endpoint* e = &m_endpoints[4 * index];
    for (int s = 0; s < 4; ++s)
    {
        Unlink(&e[s]);
        e[s].next = e[s].prev = nullptr;
    }
    // Counts, disabled and listed bits all go: a reactivated object starts
    // with every pair enabled. Writing only non-zero bytes leaves untouched
    // pages of the table unmapped.
    for (uint32_t j = 0; j < m_capacity; ++j)
    {
        if (j == index)
            continue;
        uint8_t& state = j < index ? PairState(j, index) : PairState(index, j);
        if (state)
            state = 0;
    }
}

const PairNode* CCollisionBroadPhase::GetPairs()
{
    PairNode** link = &m_reported;
    while (PairNode* node = *link)
    {
        uint8_t& state = PairState(node->i, node->j);
        if (state == kPairReported)
        {
            link = &node->next;
            continue;
        }
        *link = node->next;
        node->next = m_freeNodes;
        m_freeNodes = node;
        state &= uint8_t(~kPairListed);
    }
    return m_reported;
}

void CCollisionBroadPhase::SetPairEnabled(uint32_t i, uint32_t j, bool enabled)
{
    uint32_t lo = i < j ? i : j;
    uint32_t hi = i < j ? j : i;
    uint8_t& state = PairState(lo, hi);
    bool disabled = (state & kPairDisabled) != 0;
    if (enabled && disabled)
    {
        state &= uint8_t(~kPairDisabled);
        if (state == 4 && GroupsCollide(lo, hi))
            Report(lo, hi);
    }
    else if (!enabled && !disabled)
    {
        state |= kPairDisabled;
    }
}
