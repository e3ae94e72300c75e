#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// A fixed-size queue between exactly one producer thread and one consumer
// thread. Neither side ever blocks, locks or allocates: a full or empty ring
// is reported and the caller tries again later. Slots are filled and read in
// place, so a slot's memory is reused rather than handed between threads.
template <typename T, size_t Capacity> class SpscRing {
    static_assert(Capacity > 0 && (Capacity & (Capacity - 1)) == 0, "a power of two");

public:
    // Producer: the free slot to fill next, or null while the ring is full.
    // The consumer sees it only after publish().
    T* slotToFill() {
        const uint64_t tail = tail_.load(std::memory_order_relaxed);
        const uint64_t head = head_.load(std::memory_order_acquire);
        return tail - head < Capacity ? &slots_[tail % Capacity] : nullptr;
    }
    void publish() {
        tail_.store(tail_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Consumer: the oldest published slot, or null while the ring is empty.
    // The producer may reuse it only after pop().
    const T* front() const {
        const uint64_t head = head_.load(std::memory_order_relaxed);
        const uint64_t tail = tail_.load(std::memory_order_acquire);
        return head != tail ? &slots_[head % Capacity] : nullptr;
    }
    void pop() {
        head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Published slots not yet popped; exact on the consumer's side.
    size_t size() const {
        const uint64_t head = head_.load(std::memory_order_acquire);
        return static_cast<size_t>(tail_.load(std::memory_order_acquire) - head);
    }
    static constexpr size_t capacity() { return Capacity; }

private:
    std::array<T, Capacity> slots_{};
    // Running counts, never wrapped back: each side writes only its own.
    alignas(64) std::atomic<uint64_t> head_{0};
    alignas(64) std::atomic<uint64_t> tail_{0};
};
