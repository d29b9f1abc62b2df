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
// - The block grows and shrinks exactly one record at a time (capacity == Count()).
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
        Resize(count_ + 1, count_);
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
        Resize(count_ - 1, i);
        cur_ = -1;
        Publish();
    }

    void Exchange(int a, int b) {
        if (!InRange(a) || !InRange(b) || a == b) return;
        std::swap(block_[a], block_[b]);
        Publish();
    }

    void Clear() {
        Destroy(block_, count_);
        block_ = nullptr;
        count_ = 0;
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

    // Moves the records into a block of exactly newCount records. When growing, a new
    // value-initialised record is placed at the end; when shrinking, record `skip` is dropped.
    void Resize(int newCount, int skip) {
        T* fresh = newCount > 0 ? static_cast<T*>(::operator new(sizeof(T) * newCount)) : nullptr;
        int out = 0;
        for (int i = 0; i < count_; ++i) {
            if (newCount < count_ && i == skip) continue;
            new (&fresh[out++]) T(std::move(block_[i]));
        }
        if (newCount > count_) new (&fresh[out]) T();
        Destroy(block_, count_);
        block_ = fresh;
        count_ = newCount;
    }

    static void Destroy(T* block, int count) {
        for (int i = 0; i < count; ++i) block[i].~T();
        ::operator delete(block);
    }

    void Publish() {
        if (current_out_) *current_out_ = Current();
    }

    T* block_ = nullptr;
    int count_ = 0;
    int cur_ = -1;
    T** current_out_ = nullptr;
};

} // namespace lumeno
