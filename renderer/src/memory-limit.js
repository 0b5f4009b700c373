// The reason given for a file that a worker's memory limit cannot hold.
export const memoryLimitReason = (limit) => `exceeds the memory limit of ${Math.round(limit / 1048576)} MB`;
