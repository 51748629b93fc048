"""What the components of the service share."""
import os

SERVICE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class ControlError(Exception):
    """A control request that cannot be done: answered with `status` and the message."""

    def __init__(self, status, message):
        super().__init__(message)
        self.status = status


class ServiceContext:
    def __init__(self, args, log):
        self.args = args
        self.log = log
        # Values the server configuration template may use, contributed by the components as they start
        # (the update servers add nothing global; a file store would add "ftp_url").
        self.template_values = {}
        # Paths the update servers answer on behalf of a component (the cloud drive's index): path prefix ->
        # handler(server_number, url) returning (status, content_type, body bytes[, extra headers]).
        self.routes = {}
        # Files other components offer the cloud drive: callables returning {title: host path}.
        self.cloud_sources = []
