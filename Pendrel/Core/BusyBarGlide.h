#pragma once
// The motion and the weights of the busy bar (the animated bar of the
// progress dialog), apart from any drawing.
//
// A soft group of chunks glides over the bar: the position moves one pixel
// per timer tick, right until it reaches the bar width - 1, then left until
// it falls below 1, and so on; the tick that turns leaves the position where
// it is. Chunks lie on a fixed grid of cells (chunk width + gap); the chunk
// of the cell that holds the position is drawn strongest and three chunks on
// either side fade out along a half bell curve, their weights sliding
// smoothly from one chunk to the next as the position moves.
//
// The weight table has (cell * 4 + 1) entries, entry i being
// 255 * e^(-0.5 * (0.14 * i)^2) truncated toward zero. It is made when first
// needed and again whenever the cell changes, so a lookup never runs past
// its end.

#include <array>
#include <cstdint>
#include <vector>

class CBusyBarGlide {
public:
    static constexpr int kMinChunkWidth = 6;
    static constexpr int kMinChunkGap = 1;
    static constexpr int kChunkCount = 7;  // the centre chunk and three on each side

    // One chunk of a frame: its left edge relative to the bar's content and
    // its weight (0 to 255).
    struct Chunk {
        int left;
        int weight;
    };

    // The weight table of a cell.
    static std::vector<int> GaussWeights(int cell);

    // Mixes count source pixels into the target ones (0xAARRGGBB, the target
    // keeps its alpha): red, green and blue each become
    // (source * weight + target * (255 - weight)) / 256. weight lies in 0 to
    // 255.
    static void BlendRow(const uint32_t* source, uint32_t* target, int count, int weight);

    // The chunk size a theme reports, raised to at least 6 pixels and a gap
    // of 1. A different cell drops the weight table.
    void SetChunkMetrics(int width, int gap);
    int ChunkWidth() const { return m_chunkWidth; }
    int ChunkGap() const { return m_chunkGap; }
    int Cell() const { return m_chunkWidth + m_chunkGap; }

    // The width of the bar's content, over which the position travels.
    void SetBarWidth(int width) { m_barWidth = width; }
    int BarWidth() const { return m_barWidth; }
    int Position() const { return m_position; }
    // +1 while moving right, -1 while moving left.
    int Step() const { return m_step; }

    // One timer tick.
    void Tick();
    // The bar stopped: the weight table is freed and the position is 0 (the
    // direction stays).
    void Reset();

    bool HasWeights() const { return !m_weights.empty(); }
    // The weight table of the current cell, made when missing.
    const std::vector<int>& Weights();

    // The chunks of the current position, from the leftmost (three cells
    // left of the centre) to the rightmost.
    std::array<Chunk, kChunkCount> Chunks();

private:
    int m_chunkWidth = kMinChunkWidth;
    int m_chunkGap = kMinChunkGap;
    int m_barWidth = 100;
    int m_position = 0;
    int m_step = 1;
    int m_weightsCell = 0;  // the cell the table was made for
    std::vector<int> m_weights;
};
