"""A mail server that accepts and stays silent."""

import socket
import threading


class SilentServer:
    """A listener on loopback that accepts and says nothing until released; after the
    release it closes every connection, held or new, at once."""

    def __init__(self, port=0):
        self._listener = socket.create_server(("127.0.0.1", port))
        self.port = self._listener.getsockname()[1]
        self.accepted = 0
        self._held = []
        self._released = threading.Event()
        self._thread = threading.Thread(target=self._serve, daemon=True)
        self._thread.start()

    def _serve(self):
        while True:
            try:
                connection, _ = self._listener.accept()
            except OSError:
                return
            self.accepted += 1
            if self._released.is_set():
                connection.close()
            else:
                self._held.append(connection)

    def release(self):
        self._released.set()
        for connection in self._held:
            connection.close()

    def close(self):
        self.release()
        self._listener.close()
