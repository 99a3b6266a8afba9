#pragma once

#include "editor/web/PageConnection.h"

// While it lives, every web view built gets a new Connection as its page side; `latest` is the
// one made last.
template <typename Connection>
class PageOverride
{
public:
    PageOverride()
    {
        kavro::web::PageConnection::setFactory ([this] {
            auto connection = std::make_unique<Connection>();
            latest = connection.get();
            return connection;
        });
    }

    ~PageOverride() { kavro::web::PageConnection::setFactory ({}); }

    Connection* latest = nullptr;
};
