#pragma once

#include <functional>
#include <map>

// Something that handles commands (command-bar buttons, accelerators, the
// click notifications of a form's buttons). Handlers are registered by
// command id, the equivalent of a message map; a class may instead override
// both virtuals, keeping them in step.
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // Runs the handler of `nId`; false when there is none.
    virtual bool OnCommand(unsigned nId);
    virtual bool HasCommandHandler(unsigned nId) const;

protected:
    void AddCommand(unsigned nId, std::function<void()> handler);

private:
    std::map<unsigned, std::function<void()>> m_commands;
};
