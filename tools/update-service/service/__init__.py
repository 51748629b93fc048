"""The local update service: the update servers and, later, the file store and the cloud drive."""
