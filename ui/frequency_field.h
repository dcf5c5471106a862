// One frequency of the settings window: an edit in Hz beside a vertical slider. The slider has
// its minimum at the top, so the value is its position mirrored in the range, and the edit
// accepts the same range.
#pragma once

#include <cstdint>

#include "platform/controls.h"
#include "platform/dialog.h"

struct FrequencyRange {
    uint32_t minHz, maxHz;

    uint32_t FromPosition(int position) const
    {
        return static_cast<uint32_t>(static_cast<int>(minHz + maxHz) - position);
    }
    int ToPosition(uint32_t hz) const { return static_cast<int>((minHz + maxHz) - hz); }
    bool Holds(int number) const { return number >= static_cast<int>(minHz) && number <= static_cast<int>(maxHz); }
};

class FrequencyField {
public:
    FrequencyField(int editId, int sliderId, FrequencyRange range)
        : editId_(editId), sliderId_(sliderId), range_(range)
    {
    }

    const FrequencyRange& Range() const { return range_; }
    const EditControl& Edit() const { return edit_; }
    const Trackbar& Slider() const { return slider_; }

    // Takes a stored value as it is; one out of range shows at the end of the slider.
    void Load(uint32_t hz)
    {
        position_ = range_.ToPosition(hz);
        hz_ = hz;
    }
    // The value a commit stores: always the slider's, never the edit's.
    uint32_t Value() const { return range_.FromPosition(position_); }
    // The edit's value follows the slider (shown at the next write of the controls).
    void FollowSlider() { hz_ = Value(); }
    // Both at hz, the slider's thumb moved there.
    void MoveTo(uint32_t hz)
    {
        hz_ = hz;
        position_ = range_.ToPosition(hz);
        slider_.SetPosition(position_);
    }
    void SetSliderRange() const
    {
        slider_.SetRange(static_cast<int>(range_.minHz), static_cast<int>(range_.maxHz), true);
    }

    void AttachEdit(DataExchange& exchange) { exchange.Control(editId_, edit_); }
    void AttachSlider(DataExchange& exchange) { exchange.Control(sliderId_, slider_); }
    // The slider's position, then the edit's number, checked against the range when read.
    void Exchange(DataExchange& exchange)
    {
        exchange.SliderPosition(sliderId_, position_);
        exchange.Unsigned(editId_, hz_);
        exchange.Range(hz_, range_.minHz, range_.maxHz);
    }

private:
    int editId_;
    int sliderId_;
    FrequencyRange range_;
    EditControl edit_;
    Trackbar slider_;
    int position_ = 0;
    uint32_t hz_ = 0;
};
