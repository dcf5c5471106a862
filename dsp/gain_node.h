// The output level stage: every sample times gain, in double precision, rounded to float.
#pragma once

#include "dsp/processing_node.h"

class GainNode : public ProcessingNode {
public:
    int DoProcess(const SampleBlock& block) override;

    double gain = 1.0;
};
