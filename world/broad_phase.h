// Two-dimensional sweep and prune. Every move of a box edge past another
// box's opposite edge changes a per-pair counter; a pair is listed the moment
// its counter shows overlap on both axes, so the list stays current without
// ever testing all pairs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct PairNode
{
    PairNode* next;
    uint32_t i; // lower object index
    uint32_t j; // higher object index
};

class CCollisionBroadPhase
{
public:
    struct Endpoint
    {
        double value;
        Endpoint* next; // toward +infinity
        Endpoint* prev; // toward -infinity
        uint32_t object;
        uint8_t side; // 0 x minimum, 1 x maximum, 2 y minimum, 3 y maximum
    };

    // Pair state bits: the low six hold the overlap count (0..4).
    static constexpr uint8_t kPairDisabled = 0x40;
    static constexpr uint8_t kPairListed = 0x80;
    static constexpr uint8_t kPairReported = 0x84; // overlapping, enabled, listed

    CCollisionBroadPhase(uint32_t capacity, uint8_t groupCount);
    ~CCollisionBroadPhase();
    CCollisionBroadPhase(const CCollisionBroadPhase&) = delete;
    CCollisionBroadPhase& operator=(const CCollisionBroadPhase&) = delete;

    void SetGroupCollidesWithGroup0(uint8_t group);
    uint32_t AddObject(uint8_t group, uint32_t tag, void* data);

    uint8_t GetObjectGroup(uint32_t index) const { return m_objectGroup[index]; }
    uint32_t GetObjectTag(uint32_t index) const { return m_objectTag[index]; }
    void* GetObjectData(uint32_t index) const { return m_objectData[index]; }
    bool IsObjectActive(uint32_t index) const;
    uint32_t GetObjectCount() const { return m_objectCount; }

    // The box spanned by two points, grown by margin on every side.
    void SetObjectBounds(uint32_t index, double x0, double y0, double x1, double y1, double margin);
    // Note the order: the two maxima come y first.
    void MoveEndpoints(uint32_t index, double minX, double minY, double maxY, double maxX);
    void SetObjectActive(uint32_t index, bool active);

    // Purges stale nodes and returns the overlapping enabled pairs, newest
    // first. Valid until the next change of the broad phase.
    const PairNode* GetPairs();
    void SetPairEnabled(uint32_t i, uint32_t j, bool enabled);

    uint8_t GetPairState(uint32_t i, uint32_t j) const;
    const Endpoint& GetEndpoint(uint32_t index, uint8_t side) const { return m_endpoints[4 * index + side]; }

private:
    // Sized from the real node size, whatever the pointer width.
    struct PairBlock
    {
        PairBlock* previous;
        PairNode nodes[340];
    };

    uint8_t m_groupCount;
    uint32_t m_capacity;
    uint32_t m_objectCount = 0;
    std::vector<uint8_t> m_groupMatrix; // G x G bits
    Endpoint m_sentinels[4];            // x head, x tail, y head, y tail
    std::vector<uint8_t> m_activeFlags; // N bits
    std::vector<uint8_t> m_objectGroup;
    std::vector<uint32_t> m_objectTag;
    std::vector<void*> m_objectData;
    std::vector<Endpoint> m_endpoints; // 4 per object
    uint8_t* m_pairStates;             // N x N, zeroed lazily by calloc; pair i < j at i * N + j
    PairBlock* m_blocks = nullptr;
    PairNode* m_freeNodes = nullptr;
    PairNode* m_reported = nullptr;

    bool GroupsCollide(uint32_t lo, uint32_t hi) const;
    uint8_t& PairState(uint32_t lo, uint32_t hi) { return m_pairStates[size_t(lo) * m_capacity + hi]; }
    void Report(uint32_t lo, uint32_t hi);
    PairNode* AllocPairNode();
    void OnEndpointsSwap(const Endpoint& passed, const Endpoint& moving, bool increment);
    void SiftTowardTail(Endpoint* e, bool increment);
    void SiftTowardHead(Endpoint* e, bool increment);
    void RaiseEndpoint(uint32_t index, uint8_t side, double value, bool increment);
    void LowerEndpoint(uint32_t index, uint8_t side, double value, bool increment);
    void Activate(uint32_t index);
    void Deactivate(uint32_t index);
};
