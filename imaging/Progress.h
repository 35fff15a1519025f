#pragma once

#include <cstdint>

namespace quillmere {

// Receives the progress events of a long pixel operation, synchronously and on
// the calling thread. A handler must leave the object that raises them alone.
class ProgressObserver {
public:
    virtual ~ProgressObserver() = default;
    // One unit (a row) is finished; index is its 0-based number.
    virtual void Progress(std::int32_t index) = 0;
    // The operation is finished.
    virtual void ProgressEnd() = 0;
};

// Shared by every class that raises progress events: forwards to the observer
// the owner set, if any.
class ProgressSource {
public:
    void SetProgressObserver(ProgressObserver* observer) noexcept { observer_ = observer; }
    ProgressObserver* progressObserver() const noexcept { return observer_; }

protected:
    void RaiseProgress(std::int32_t index) const
    {
        if (observer_)
            observer_->Progress(index);
    }
    void RaiseProgressEnd() const
    {
        if (observer_)
            observer_->ProgressEnd();
    }

private:
    ProgressObserver* observer_ = nullptr;
};

} // namespace quillmere
