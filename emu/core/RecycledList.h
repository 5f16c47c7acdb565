#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace emu {

// Timed events in the order they were added, linked through the records' own next and previous pointers; the
// records of removed events wait for the next ones, so that once the list has grown to its largest, adding and
// removing while the emulation runs allocate nothing. A walk follows First() and each record's next, read before
// the record may go; records added meanwhile are reached in the same walk. Record has the members `Record* next`
// and `Record* previous`, and Record{} is a cleared one.
template <typename Record>
class RecycledList {
public:
    Record* First() const { return head; }
    int32_t Count() const {
        int32_t count = 0;
        for (const Record* record = head; record != nullptr; record = record->next) {
            ++count;
        }
        return count;
    }

    // A cleared record, used before or new, to fill and then Append.
    Record& Take() {
        if (spare == nullptr) {
            records.push_back(std::make_unique<Record>());
            return *records.back();
        }
        Record& record = *spare;
        spare = record.next;
        record = Record{};
        return record;
    }
    void Append(Record& record) {
        record.next = nullptr;
        record.previous = tail;
        (tail != nullptr ? tail->next : head) = &record;
        tail = &record;
    }
    // Unlinks the record and keeps it for Take.
    void Remove(Record& record) {
        (record.previous != nullptr ? record.previous->next : head) = record.next;
        (record.next != nullptr ? record.next->previous : tail) = record.previous;
        record.previous = nullptr;
        record.next = spare;
        spare = &record;
    }
    void RemoveAll() {
        while (head != nullptr) {
            Remove(*head);
        }
    }
    // Frees every record, waiting ones too.
    void Clear() {
        head = tail = spare = nullptr;
        records.clear();
    }

private:
    // Every record, in the list or waiting.
    std::vector<std::unique_ptr<Record>> records;
    Record* head = nullptr;
    Record* tail = nullptr;
    Record* spare = nullptr;
};

} // namespace emu
