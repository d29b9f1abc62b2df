#pragma once
// TDynaArray: an ordered array of fixed-size records in one contiguous block, with a cursor.
//
// Contract:
// - Append() adds a value-initialised (zero-filled for plain records) record at the end and
//   makes it current.
// - Select(i) makes record i (0-based) current; outside 0..Count()-1 nothing is current.
// - Delete(i) is ignored outside 0..Count()-1; it destroys record i, closes the gap and leaves
//   no record current.
// - Exchange(a, b) swaps two records (ignored when either is out of range); the cursor stays.
// - Clear() destroys every record; nothing is current.
// - First()/Next() walk the records in order; during a walk Index() is the 1-based position
//   of the current record. Next() returns false at the end (nothing is current then).
// - Records stay in one contiguous block in list order. The block's spare room grows
//   geometrically, so appending n records costs O(n) moves in total, not O(n^2): a show of
//   tens of thousands of photos loads without a pause.
// - The array destroys the records it holds; a record that owns resources (RAII) releases
//   them itself. Plain pointers inside records are never followed.
// - The optional variable named at construction always holds the address of the current
//   record, or nullptr when none is current. Addresses change when the block is resized.
#include <cstddef>
#include <new>
#include <utility>

namespace lumeno {

template <typename T> class TDynaArray {
  public:
    explicit TDynaArray(T** currentRecord = nullptr) : current_out_(currentRecord) { Publish(); }
    ~TDynaArray() { Clear(); }
    TDynaArray(const TDynaArray&) = delete;
    TDynaArray& operator=(const TDynaArray&) = delete;

    T& Append() {
        if (count_ == capacity_) Reallocate(capacity_ < 4 ? 4 : capacity_ * 2);
        new (&block_[count_]) T();
        ++count_;
        cur_ = count_ - 1;
        Publish();
        return block_[cur_];
    }

    bool Select(int i) {
        cur_ = InRange(i) ? i : -1;
        Publish();
        return cur_ >= 0;
    }

    void Delete(int i) {
        if (!InRange(i)) return;
        for (int k = i; k + 1 < count_; ++k)
            block_[k] = std::move(block_[k + 1]);
        block_[count_ - 1].~T();
        --count_;
        if (count_ == 0) {
            Release();
        } else if (capacity_ > 16 && count_ < capacity_ / 4) {
            Reallocate(capacity_ / 2);
        }
        cur_ = -1;
        Publish();
    }

    void Exchange(int a, int b) {
        if (!InRange(a) || !InRange(b) || a == b) return;
        std::swap(block_[a], block_[b]);
        Publish();
    }

    void Clear() {
        Release();
        cur_ = -1;
        Publish();
    }

    bool First() { return Select(0); }
    bool Next() { return Select(cur_ < 0 ? count_ : cur_ + 1); }

    int Count() const { return count_; }
    // 1-based position of the current record, 0 when none is current.
    int Index() const { return cur_ + 1; }
    T* Current() { return cur_ >= 0 ? &block_[cur_] : nullptr; }
    T& operator[](int i) { return block_[i]; }
    const T& operator[](int i) const { return block_[i]; }
    T* begin() { return block_; }
    T* end() { return block_ + count_; }
    const T* begin() const { return block_; }
    const T* end() const { return block_ + count_; }

  private:
    bool InRange(int i) const { return i >= 0 && i < count_; }

    // Moves the records into a fresh block with room for `capacity` records.
    void Reallocate(int capacity) {
        T* fresh = static_cast<T*>(::operator new(sizeof(T) * static_cast<size_t>(capacity)));
        for (int i = 0; i < count_; ++i) {
            new (&fresh[i]) T(std::move(block_[i]));
            block_[i].~T();
        }
        ::operator delete(block_);
        block_ = fresh;
        capacity_ = capacity;
    }

    void Release() {
        for (int i = 0; i < count_; ++i)
            block_[i].~T();
        ::operator delete(block_);
        block_ = nullptr;
        count_ = 0;
        capacity_ = 0;
    }

    void Publish() {
        if (current_out_) *current_out_ = Current();
    }

    T* block_ = nullptr;
    int count_ = 0;
    int capacity_ = 0;
    int cur_ = -1;
    T** current_out_ = nullptr;
};

} // namespace lumeno
