"""A relay on loopback between the program and a mail server, whose connections can fall
silent as connections that died without a word do (a changed network, a NAT that forgot
them): they stop forwarding in both directions but stay open. Connections made after
that pass again. It can also play a server that refuses every login."""

import socket
import threading


class MailRelay:
    def __init__(self, target_port):
        self._target = target_port
        self._listener = socket.create_server(("127.0.0.1", 0))
        self.port = self._listener.getsockname()[1]
        self._lock = threading.Lock()
        self._silenced = set()
        self._refusing = False
        self._pairs = []
        self._open = 0
        self._closed = []
        self.accepted = 0
        self.refused = 0
        self._sent = []  # what each connection's client sent, in order of connection
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while True:
            try:
                client, _ = self._listener.accept()
            except OSError:
                return
            with self._lock:
                refusing = self._refusing
            if refusing:
                threading.Thread(target=self._refuse, args=(client,), daemon=True).start()
                continue
            try:
                server = socket.create_connection(("127.0.0.1", self._target), timeout=5)
            except OSError:
                client.close()
                continue
            server.settimeout(None)
            with self._lock:
                number = self.accepted
                self.accepted += 1
                self._pairs.append((client, server))
                sent = bytearray()
                self._sent.append(sent)
                self._closed.append(False)
                self._open += 1
            threading.Thread(target=self._pump, args=(number, client, server, sent),
                             daemon=True).start()
            threading.Thread(target=self._pump, args=(number, server, client, None),
                             daemon=True).start()

    def _pump(self, number, source, sink, record):
        """record is given for the client's direction, whose end is the client's close."""
        try:
            while True:
                data = source.recv(65536)
                if not data:
                    break
                with self._lock:
                    silent = number in self._silenced
                if silent:
                    continue  # swallowed: the other end hears nothing, and no close either
                if record is not None:
                    with self._lock:
                        record.extend(data)
                sink.sendall(data)
        except OSError:
            pass
        with self._lock:
            if record is not None:
                self._open -= 1
                self._closed[number] = True
            if number in self._silenced:
                return
        for end in (source, sink):
            try:
                end.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def _refuse(self, client):
        """An IMAP server that answers every command with NO, and LOGOUT with BYE. Its
        connections are counted apart from those relayed."""
        with self._lock:
            self.refused += 1
        reader = client.makefile("rb")
        try:
            client.sendall(b"* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN IDLE] refusing\r\n")
            for line in reader:
                tag, _, command = line.decode("latin-1").strip().partition(" ")
                if command.upper().startswith("LOGOUT"):
                    client.sendall(f"* BYE\r\n{tag} OK\r\n".encode())
                    break
                client.sendall(f"{tag} NO [AUTHENTICATIONFAILED] refused\r\n".encode())
        except OSError:
            pass
        reader.close()
        client.close()

    def refuse_logins(self, refusing=True):
        """While refusing, the connections there are end and new ones are refused."""
        with self._lock:
            self._refusing = refusing
            pairs = list(self._pairs) if refusing else []
        for pair in pairs:
            for end in pair:
                try:
                    end.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass

    def fall_silent(self):
        with self._lock:
            self._silenced.update(range(self.accepted))

    def open_connections(self):
        """Connections that the client has not closed."""
        with self._lock:
            return self._open

    def connections(self):
        """(what the client sent, whether the client has closed) of every connection, in
        the order they came."""
        with self._lock:
            return [(bytes(sent).decode("latin-1"), closed)
                    for sent, closed in zip(self._sent, self._closed)]

    def close(self):
        self._listener.close()
        with self._lock:
            pairs, self._pairs = self._pairs, []
        for pair in pairs:
            for end in pair:
                end.close()

