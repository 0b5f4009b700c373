// placeholder: filled in while the handler is built
