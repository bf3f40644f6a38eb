"""The refusal the API answers with: an HTTP status and the reply object's code and message."""


class ApiError(Exception):
    def __init__(self, status, code, message):
        super().__init__(message)
        self.status = status
        self.code = code
        self.message = message
