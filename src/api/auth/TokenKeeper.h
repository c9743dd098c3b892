#pragma once

#include "api/auth/KeychainError.h"

#include "base/Result.h"

#include <QCoroTask>
#include <QString>

#include <coroutine>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace amplora::api {

class APITokenStore;
class TokenAuthenticator;

// Keeps the stored token and the token the authenticator accepts in step. Loading (creating the token when
// none is stored) and regenerating run one at a time, in the order they were asked for, and the authenticator
// takes each one's token as it ends. So:
// - a load asked for while another load waits or runs joins it: the settings window and a starting server
//   that both find no token get the same new token, not one each with only the last one stored;
// - a regeneration asked for while the server starts runs after the start's load and has the last word: the
//   token it replaced is never put back.
// Operations keep the keeper alive until they end, whatever happens to its owner meanwhile.
class TokenKeeper : public std::enable_shared_from_this<TokenKeeper> {
public:
    using TokenResult = Result<QString, KeychainError>;

    TokenKeeper(std::shared_ptr<APITokenStore> store, std::shared_ptr<TokenAuthenticator> authenticator);

    // The stored token; when there is none, a fresh one that has been saved first.
    QCoro::Task<TokenResult> current();
    // A fresh token, stored and then made the only accepted one. A failure changes nothing.
    QCoro::Task<TokenResult> regenerate();

private:
    struct Operation {
        enum class Kind { Load, Regenerate };
        Kind kind;
        std::optional<TokenResult> result;
        std::vector<std::coroutine_handle<>> waiters;
    };
    struct Finished;

    QCoro::Task<TokenResult> await(std::shared_ptr<Operation> operation);
    std::shared_ptr<Operation> enqueue(Operation::Kind kind);
    // Runs the queued operations until none is left.
    static QCoro::Task<> drain(std::shared_ptr<TokenKeeper> self);
    QCoro::Task<TokenResult> run(Operation::Kind kind);

    std::shared_ptr<APITokenStore> m_store;
    std::shared_ptr<TokenAuthenticator> m_authenticator;
    std::deque<std::shared_ptr<Operation>> m_queue; // the first one is running
    bool m_draining = false;
};

} // namespace amplora::api
