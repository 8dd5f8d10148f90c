#pragma once

#include "grid/griddocument.h"

// The grid a step loaded or changed reaches the views once, however the
// step returns.
class PublishOnExit
{
public:
    explicit PublishOnExit(GridDocument& document) : m_document(document) {}
    ~PublishOnExit() { m_document.publish(); }
    PublishOnExit(const PublishOnExit&) = delete;
    PublishOnExit& operator=(const PublishOnExit&) = delete;

private:
    GridDocument& m_document;
};
