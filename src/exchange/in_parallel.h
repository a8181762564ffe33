#pragma once

// Work on a few thousand clients shared among the processors: reading, storing or writing
// each of them is independent of the others.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace exchange {

// How many items each thread takes: one share a processor, none smaller than minimumShare.
inline std::size_t ShareSize(std::size_t count, std::size_t minimumShare) {
    const std::size_t threads =
        std::clamp<std::size_t>(count / std::max<std::size_t>(minimumShare, 1), 1,
                                std::max(std::thread::hardware_concurrency(), 1u));
    return std::max<std::size_t>((count + threads - 1) / threads, 1);
}

// Calls work(begin, end) on consecutive shares of [0, count), each on a thread of its own
// (the calling thread does the first), and returns once every share is done.
template <typename Work>
void InParallel(std::size_t count, std::size_t minimumShare, const Work& work) {
    const std::size_t share = ShareSize(count, minimumShare);
    std::vector<std::jthread> helpers;
    for (std::size_t begin = share; begin < count; begin += share) {
        helpers.emplace_back(work, begin, std::min(begin + share, count));
    }
    work(std::size_t{0}, std::min(share, count));
}  // the helpers are joined here

// The texts that append(text, begin, end) writes for consecutive shares of [0, count), written
// at the same time as InParallel shares them, in order; the first begins with the head.
template <typename Append>
std::vector<std::string> WrittenInParallel(std::string head, std::size_t count,
                                           std::size_t minimumShare, const Append& append) {
    const std::size_t share = ShareSize(count, minimumShare);
    std::vector<std::string> pieces(std::max<std::size_t>((count + share - 1) / share, 1));
    pieces.front() = std::move(head);
    InParallel(count, minimumShare, [&](std::size_t begin, std::size_t end) {
        append(pieces[begin / share], begin, end);
    });
    return pieces;
}

// The pieces one after the other, in one string.
inline std::string Joined(std::vector<std::string> pieces) {
    std::size_t size = 0;
    for (const std::string& piece : pieces) size += piece.size();
    std::string joined = std::move(pieces.front());
    joined.reserve(size);
    for (std::size_t i = 1; i < pieces.size(); ++i) joined += pieces[i];
    return joined;
}

// Views of the pieces, as a file is written from them.
inline std::vector<std::string_view> Views(const std::vector<std::string>& pieces) {
    return {pieces.begin(), pieces.end()};
}

}  // namespace exchange
