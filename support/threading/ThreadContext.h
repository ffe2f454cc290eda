#pragma once

namespace zeph::windows::system::threading {

class IThread;

// What initThread receives. It lives in the frame of create: a worker copies what it needs.
struct ThreadContext {
    IThread* thread = nullptr;  // the thread object that runs the worker
    void* parameter = nullptr;  // the creator's parameter, passed unchanged
};

}  // namespace zeph::windows::system::threading
