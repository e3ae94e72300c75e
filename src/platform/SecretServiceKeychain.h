#pragma once

#include "platform/Keychain.h"

#include <chrono>

// The desktop's Secret Service (gnome-keyring, KWallet, ...) through
// QtKeychain. Secrets never go to a plain file: when no Secret Service
// answers, items are kept in memory for the life of the process instead.
// Every call is bounded: a keyring whose unlock prompt nobody answers must
// not keep the window waiting.
class SecretServiceKeychain final : public Keychain {
public:
    static constexpr std::chrono::milliseconds defaultAnswerWithin{10000};
    explicit SecretServiceKeychain(std::chrono::milliseconds answerWithin = defaultAnswerWithin)
        : answerWithin_(answerWithin) {}

    QCoro::Task<> save(QString service, QString account, QByteArray data) override;
    QCoro::Task<std::optional<QByteArray>> load(QString service, QString account) override;
    QCoro::Task<> remove(QString service, QString account) override;

    // True once a Secret Service call failed for a reason other than a
    // missing item, so items now live in memory.
    bool usesMemoryFallback() const { return fallbackUsed_; }
    KeychainProblem problem() const override { return problem_; }

private:
    std::chrono::milliseconds answerWithin_;
    MemoryKeychain memory_;
    bool fallbackUsed_ = false;
    KeychainProblem problem_ = KeychainProblem::none;
};
