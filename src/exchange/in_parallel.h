#pragma once

// Work on a few thousand clients shared among the processors: reading, storing or writing
// each of them is independent of the others.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "store/files.h"

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

// Makes the piece make(begin, end) of each consecutive chunk of [0, count) on every processor,
// and hands each to take(piece) on the calling thread in order, as soon as it and those before
// it are made: a file is written while its later pieces are still being made. Returns once all
// are taken.
template <typename Make, typename Take>
void InOrderAsMade(std::size_t count, std::size_t chunk, const Make& make, const Take& take) {
    chunk = std::max<std::size_t>(chunk, 1);
    const std::size_t chunks = (count + chunk - 1) / chunk;
    std::vector<std::string> pieces(chunks);
    std::vector<std::atomic<bool>> made(chunks);  // each false at first
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < chunks; i = next++) {
            pieces[i] = make(i * chunk, std::min(count, (i + 1) * chunk));
            made[i].store(true, std::memory_order_release);
            made[i].notify_one();
        }
    };
    std::vector<std::jthread> makers;
    const auto threads =
        std::clamp<std::size_t>(chunks, 1, std::max(std::thread::hardware_concurrency(), 1U));
    try {
        for (std::size_t i = 0; i < threads; ++i) makers.emplace_back(work);
    } catch (const std::system_error&) {
        // No thread to be had: those started make every piece; without any, this thread does.
        if (makers.empty()) work();
    }
    for (std::size_t i = 0; i < chunks; ++i) {
        made[i].wait(false, std::memory_order_acquire);
        take(std::string_view(pieces[i]));
        std::string().swap(pieces[i]);  // its room is given back as the file grows
    }
}

// Replaces the file safely with the head and then the text append(out, i) writes for each item
// of [0, count): made on every processor a few dozen items at a time, and written, and started
// on its way to the disk, as it is made. True when the file holds all of it.
template <typename AppendItem>
bool ReplaceFileAsMade(const std::string& path, std::string_view head, std::size_t count,
                       const AppendItem& append) {
    constexpr std::size_t ItemsPerPiece = 64;
    store::FileReplacement file(path);
    file.append(head);
    InOrderAsMade(
        count, ItemsPerPiece,
        [&append](std::size_t begin, std::size_t end) {
            std::string piece;
            for (std::size_t i = begin; i < end; ++i) append(piece, i);
            return piece;
        },
        [&file](std::string_view piece) { file.append(piece); });
    return file.commit();
}

}  // namespace exchange
