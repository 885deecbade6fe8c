#include "Pendrel/Core/BusyBarGlide.h"

#include <algorithm>
#include <cmath>

std::vector<int> CBusyBarGlide::GaussWeights(int cell) {
    std::vector<int> weights(static_cast<size_t>(std::max(cell, 0)) * 4 + 1);
    for (size_t i = 0; i < weights.size(); ++i) {
        const double x = 0.14 * static_cast<double>(i);
        weights[i] = static_cast<int>(255.0 * std::exp(-0.5 * x * x));
    }
    return weights;
}

void CBusyBarGlide::BlendRow(const uint32_t* source, uint32_t* target, int count, int weight) {
    const uint32_t w = static_cast<uint32_t>(std::clamp(weight, 0, 255));
    const uint32_t rest = 255 - w;
    for (int i = 0; i < count; ++i) {
        const uint32_t a = source[i];
        const uint32_t b = target[i];
        uint32_t mixed = b & 0xFF000000u;
        for (int shift = 0; shift <= 16; shift += 8) {
            const uint32_t channel = (((a >> shift) & 0xFF) * w + ((b >> shift) & 0xFF) * rest) / 256;
            mixed |= channel << shift;
        }
        target[i] = mixed;
    }
}

void CBusyBarGlide::SetChunkMetrics(int width, int gap) {
    m_chunkWidth = std::max(width, kMinChunkWidth);
    m_chunkGap = std::max(gap, kMinChunkGap);
    if (Cell() != m_weightsCell) m_weights.clear();
}

void CBusyBarGlide::Tick() {
    if (m_step > 0) {
        if (m_position >= m_barWidth - 1) m_step = -1;
        else ++m_position;
    } else {
        if (m_position < 1) m_step = 1;
        else --m_position;
    }
}

void CBusyBarGlide::Reset() {
    m_weights.clear();
    m_weights.shrink_to_fit();
    m_weightsCell = 0;
    m_position = 0;
}

const std::vector<int>& CBusyBarGlide::Weights() {
    if (m_weights.empty() || m_weightsCell != Cell()) {
        m_weights = GaussWeights(Cell());
        m_weightsCell = Cell();
    }
    return m_weights;
}

std::array<CBusyBarGlide::Chunk, CBusyBarGlide::kChunkCount> CBusyBarGlide::Chunks() {
    const std::vector<int>& weights = Weights();
    const int cell = Cell();
    const int position = std::max(m_position, 0);
    const int r = position % cell;
    const int base = position - r;
    std::array<Chunk, kChunkCount> chunks{};
    for (int k = -3; k <= 3; ++k) {
        // Left of the centre the weights fall as r grows, right of it they rise.
        const int index = k <= 0 ? -k * cell + r : k * cell - r;
        chunks[static_cast<size_t>(k + 3)] = {base + k * cell, weights[static_cast<size_t>(index)]};
    }
    return chunks;
}
