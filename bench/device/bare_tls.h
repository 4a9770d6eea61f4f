/* One TLS handshake with a server on 127.0.0.1, its certificate checked for host. */
#pragma once

/* 1 when the handshake completed and the certificate is trusted for host. */
int BareTlsHandshake(const char* host, unsigned short port);
