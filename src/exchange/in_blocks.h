#pragma once

#include <cstddef>
#include <iterator>
#include <span>
#include <utility>
#include <vector>

namespace exchange {

// Items gathered one at a time, in blocks that never grow once reserved: each item is moved
// once, when the blocks are joined, rather than each time one vector outgrows its room.
template <typename T>
class InBlocks {
public:
    void push(T&& item) {
        constexpr std::size_t BlockSize = 256;
        if (blocks_.empty() || blocks_.back().size() == BlockSize) {
            blocks_.emplace_back().reserve(BlockSize);
        }
        blocks_.back().push_back(std::move(item));
    }

    std::size_t size() const {
        std::size_t count = 0;
        for (const auto& block : blocks_) count += block.size();
        return count;
    }

    void moveInto(std::vector<T>& items) {
        for (auto& block : blocks_)
            std::move(block.begin(), block.end(), std::back_inserter(items));
        blocks_.clear();
    }

private:
    std::vector<std::vector<T>> blocks_;
};

// The items of every piece, in the pieces' order, in one vector.
template <typename T>
std::vector<T> Joined(std::span<InBlocks<T>> pieces) {
    std::size_t count = 0;
    for (const InBlocks<T>& piece : pieces) count += piece.size();
    std::vector<T> items;
    items.reserve(count);
    for (InBlocks<T>& piece : pieces) piece.moveInto(items);
    return items;
}

}  // namespace exchange
