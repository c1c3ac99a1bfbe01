#pragma once

#include "VstHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

// What the plug-in asked of its host, recorded for the tests.
struct HostRequest
{
    std::int32_t opcode;
    std::int32_t index;
    long long value;
    float opt;
};

class RecordingHost
{
public:
    long long answer (std::int32_t opcode, std::int32_t index, long long value, void*, float opt)
    {
        const std::lock_guard<std::mutex> lock (mutex);
        requests.push_back ({ opcode, index, value, opt });
        if (opcode == HostOpcode::getMasterVersion)
            return versionAnswer;
        if (opcode == HostOpcode::getCurrentProcessLevel)
            return processLevel;
        return 0;
    }

    VstHostedEffect::HostHandler handler()
    {
        return [this] (std::int32_t opcode, std::int32_t index, long long value, void* ptr, float opt) {
            return answer (opcode, index, value, ptr, opt);
        };
    }

    std::vector<HostRequest> requestsWith (std::int32_t opcode)
    {
        const std::lock_guard<std::mutex> lock (mutex);
        std::vector<HostRequest> matching;
        for (const auto& request : requests)
            if (request.opcode == opcode)
                matching.push_back (request);
        return matching;
    }

    long long versionAnswer = VstHostedEffect::hostVersion;
    long long processLevel = 2;

private:
    std::mutex mutex;
    std::vector<HostRequest> requests;
};

inline std::unique_ptr<VstHostedEffect> loadPlugin (RecordingHost& host)
{
    std::string error;
    auto effect = VstHostedEffect::load (HALVORN_VST_PLUGIN, error, host.handler());
    EXPECT_NE (effect, nullptr) << error;
    return effect;
}
