/* The one TLS handshake of bare_tls_bar: what every TLS mail check cannot leave out, and
 * nothing more. It connects, shakes hands through Schannel, builds the server certificate's
 * chain and checks it for the host name, then closes; the libraries stay loaded, as they do
 * in the resident program after its first TLS check. */
#define SECURITY_WIN32
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <stdio.h>
#include <string.h>

#include "bare_tls.h"

#define TLS_FLAGS (ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY | \
                   ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION)

static int SendToken(SOCKET s, SecBuffer* token)
{
    int ok = 1;
    if (token->pvBuffer && token->cbBuffer > 0)
        ok = send(s, token->pvBuffer, (int)token->cbBuffer, 0) == (int)token->cbBuffer;
    if (token->pvBuffer)
        FreeContextBuffer(token->pvBuffer);
    token->pvBuffer = NULL;
    return ok;
}

/* The handshake on a connected socket; 1 when it completed. */
static int Handshake(SOCKET s, CredHandle* credentials, CtxtHandle* context, char* host)
{
    static char incoming[65536];
    DWORD held = 0;
    int started = 0;
    for (;;) {
        SecBuffer in[2] = {{held, SECBUFFER_TOKEN, incoming}, {0, SECBUFFER_EMPTY, NULL}};
        SecBuffer out = {0, SECBUFFER_TOKEN, NULL};
        SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, in};
        SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, &out};
        unsigned long attributes;
        SECURITY_STATUS status = InitializeSecurityContextA(
            credentials, started ? context : NULL, host, TLS_FLAGS, 0, 0, started ? &inDesc : NULL,
            0, context, &outDesc, &attributes, NULL);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            const int got = recv(s, incoming + held, (int)(sizeof incoming - held), 0);
            if (got <= 0)
                return 0;
            held += (DWORD)got;
            continue;
        }
        started = 1;
        if (!SendToken(s, &out) || FAILED(status))
            return 0;
        if (status == SEC_E_OK)
            return 1;
        if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 && in[1].cbBuffer <= held) {
            memmove(incoming, incoming + held - in[1].cbBuffer, in[1].cbBuffer);
            held = in[1].cbBuffer;
        } else {
            held = 0;
        }
        if (held == 0) {
            const int got = recv(s, incoming, (int)sizeof incoming, 0);
            if (got <= 0)
                return 0;
            held = (DWORD)got;
        }
    }
}

/* The chain of the server's certificate to a trusted root, and the name policy. */
static int CertificateTrusted(CtxtHandle* context, const char* host)
{
    PCCERT_CONTEXT cert = NULL;
    PCCERT_CHAIN_CONTEXT chain = NULL;
    CERT_CHAIN_PARA chainPara;
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA extra;
    CERT_CHAIN_POLICY_PARA policy;
    CERT_CHAIN_POLICY_STATUS status;
    WCHAR name[256];
    int trusted = 0;
    if (QueryContextAttributesA(context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &cert) != SEC_E_OK)
        return 0;
    memset(&chainPara, 0, sizeof chainPara);
    chainPara.cbSize = sizeof chainPara;
    MultiByteToWideChar(CP_ACP, 0, host, -1, name, 256);
    memset(&extra, 0, sizeof extra);
    extra.cbSize = sizeof extra;
    extra.dwAuthType = AUTHTYPE_SERVER;
    extra.pwszServerName = name;
    memset(&policy, 0, sizeof policy);
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &extra;
    memset(&status, 0, sizeof status);
    status.cbSize = sizeof status;
    if (CertGetCertificateChain(NULL, cert, NULL, cert->hCertStore, &chainPara,
                                CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL, NULL, &chain)) {
        trusted = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status) &&
                  status.dwError == 0;
        CertFreeCertificateChain(chain);
    }
    CertFreeCertificateContext(cert);
    return trusted;
}

int BareTlsHandshake(const char* host, unsigned short port)
{
    WSADATA wsa;
    SOCKET s;
    struct sockaddr_in address;
    SCHANNEL_CRED cred;
    CredHandle credentials;
    CtxtHandle context;
    TimeStamp expiry;
    char target[256];
    int done = 0;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return 0;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    memset(&cred, 0, sizeof cred);
    cred.dwVersion = SCHANNEL_CRED_VERSION;
    cred.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    cred.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    snprintf(target, sizeof target, "%s", host);
    if (s != INVALID_SOCKET && connect(s, (struct sockaddr*)&address, sizeof address) == 0 &&
        AcquireCredentialsHandleA(NULL, (char*)UNISP_NAME_A, SECPKG_CRED_OUTBOUND, NULL, &cred,
                                  NULL, NULL, &credentials, &expiry) == SEC_E_OK) {
        SecInvalidateHandle(&context);
        done = Handshake(s, &credentials, &context, target) && CertificateTrusted(&context, host);
        if (SecIsValidHandle(&context))
            DeleteSecurityContext(&context);
        FreeCredentialsHandle(&credentials);
    }
    if (!done)
        fprintf(stderr, "bare_tls_bar: no trusted TLS handshake with %s:%u\n", host, port);
    if (s != INVALID_SOCKET)
        closesocket(s);
    return done;
}
