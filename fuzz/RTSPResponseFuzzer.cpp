// Replies read in one piece and read in arbitrary segments must give the
// same replies and the same failure; nothing may crash or hang.
#include "airplay1/AirPlay1Error.h"
#include "airplay1/RTSPResponse.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {
struct Outcome {
    std::vector<RTSPResponse> responses;
    bool failed = false;
    QByteArray left;
};

bool sameResponses(const std::vector<RTSPResponse>& a, const std::vector<RTSPResponse>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].statusCode != b[i].statusCode || a[i].headers != b[i].headers) {
            return false;
        }
    }
    return true;
}

void takeAll(RTSPResponseReader& reader, Outcome& outcome) {
    while (!outcome.failed) {
        try {
            auto response = reader.take();
            if (!response) {
                return;
            }
            if (auto session = response->headers.constFind(QStringLiteral("session"));
                session != response->headers.cend()) {
                (void)sessionIdentifier(*session);
            }
            outcome.responses.push_back(std::move(*response));
        } catch (const AirPlay1Error&) {
            outcome.failed = true;
        }
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const uint8_t step = data[0] ? data[0] : 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    Outcome whole;
    RTSPResponseReader one;
    one.append(bytes);
    takeAll(one, whole);

    Outcome pieces;
    RTSPResponseReader segmented;
    for (qsizetype at = 0; at < bytes.size() && !pieces.failed; at += step) {
        segmented.append(bytes.mid(at, step));
        takeAll(segmented, pieces);
    }
    if (whole.failed != pieces.failed || !sameResponses(whole.responses, pieces.responses)) {
        std::abort();
    }
    if (!whole.failed && one.buffered().size() > bytes.size()) {
        std::abort();
    }
    return 0;
}
